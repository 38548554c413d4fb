# cmake -DPREFIX=<folder> -DWINESERVER=<program> -DACTION=fresh|stop -P WinePrefix.cmake
# fresh: ends the prefix's wine server and deletes the prefix, so wine makes a new one on its next start.
# stop: ends the prefix's wine server (it would otherwise linger for a few seconds after the tests).
set(ENV{WINEPREFIX} ${PREFIX})
if(WINESERVER AND EXISTS ${PREFIX})
    execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND ${WINESERVER} -w OUTPUT_QUIET ERROR_QUIET)
endif()
if(ACTION STREQUAL "fresh")
    file(REMOVE_RECURSE ${PREFIX})
endif()
