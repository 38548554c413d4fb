# cmake -DPREFIX=<folder> -DWINESERVER=<program> -DMAKE_PREFIX=<tools/wine-prefix.sh> -DACTION=fresh|stop
#       -P WinePrefix.cmake
# fresh: makes the prefix afresh with wine-prefix.sh (which checks that wine starts in it), headless.
# stop: ends the prefix's wine server (it would otherwise linger for a few seconds after the tests).
set(ENV{WINEPREFIX} ${PREFIX})
unset(ENV{DISPLAY})
if(ACTION STREQUAL "fresh")
    execute_process(COMMAND ${MAKE_PREFIX} ${PREFIX} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "no working wine prefix in ${PREFIX}")
    endif()
elseif(WINESERVER AND EXISTS ${PREFIX})
    execute_process(COMMAND ${WINESERVER} -k OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND ${WINESERVER} -w OUTPUT_QUIET ERROR_QUIET)
endif()
