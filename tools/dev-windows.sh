# Windows parts of ./dev, sourced by it: the static MinGW-w64 Qt, tapsmith.exe, its packages and the tests
# under wine. Needs from dev: $root, say, install_missing, the packages array.

# Debian 12's Qt, the one whose host tools (moc, rcc, uic under /usr) build the Windows Qt as well.
windows_qt_version=6.4.2
windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64 ninja-build perl dpkg-dev
                  xz-utils zstd nsis zip unzip xvfb xauth openbox xdotool x11-utils qt6-base-dev
                  qt6-base-dev-tools)
windows_toolchain="$root/cmake/mingw-w64.cmake"

# A minimal static Qt: the modules Tapsmith and its tests use (Core, Gui, Widgets, Network, Test) and the
# windows platform plugin. Debian's repack has no wintab (tablet events) and no sqlite (SQL off); plain HTTP
# only (no TLS); Direct2D and OpenGL are not used by a Widgets program.
windows_qt_flags=(
    -release -static -static-runtime
    -nomake examples -nomake tests
    -no-feature-sql -no-feature-tabletevent -no-feature-direct2d -no-opengl -no-dbus -no-icu -no-glib
    -no-openssl -no-zstd -no-feature-concurrent -no-feature-printsupport
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-doubleconversion
)

# Changes made to Debian's Qt source before it is configured; part of the cache key.
windows_qt_patch() {
    # With Direct2D off, the windows plugin still constructs the DirectWrite font database, whose code is
    # built only with Direct2D: the link fails. Use that database only where it was built.
    sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
        src/plugins/platforms/windows/qwindowsintegration.cpp
    [ "$(grep -c 'QT_CONFIG(directwrite3) && QT_CONFIG(direct2d)' \
        src/plugins/platforms/windows/qwindowsintegration.cpp)" -eq 2 ] ||
        { say "Qt source: the DirectWrite lines to guard were not found"; return 1; }
}

# The cache folder of the Windows Qt: keyed by the Qt version, the flags, the patch and the toolchain file.
windows_qt_dir() {
    local key
    key=$( { echo "$windows_qt_version"; printf '%s\n' "${windows_qt_flags[@]}"; declare -f windows_qt_patch
             cat "$windows_toolchain"; } | sha256sum | cut -c1-12)
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/tapsmith/qt-$windows_qt_version-mingw-w64-static-$key"
}

# apt-get source needs a deb-src entry, which Debian does not configure by default: one for the running
# release, from the same mirror as its binary packages.
windows_enable_deb_src() {
    local list=/etc/apt/sources.list.d/tapsmith-deb-src.sources
    [ -f "$list" ] && return 0
    # shellcheck disable=SC1091
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    say "adding a deb-src entry for $codename ($list)"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" "$codename" | "${sudo[@]}" tee "$list" >/dev/null
    "${sudo[@]}" apt-get update -qq
}

# Builds the Windows Qt into its cache folder unless it is there already. The build runs niced and logs to
# <cache>.log; the folder appears only when the install is complete.
windows_qt() {
    local dir
    dir=$(windows_qt_dir)
    if [ -f "$dir/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        say "Windows Qt: $dir"
        return 0
    fi
    windows_enable_deb_src
    local work="$dir.work" log="$dir.log" start=$SECONDS build
    # An interrupted build (a closed terminal, a reboot) goes on where it stopped: its folder is keyed like
    # the cache, so it was configured with the same flags.
    build=""
    [ -d "$work" ] && build=$(find "$work" -mindepth 2 -maxdepth 2 -name build -type d | head -n 1)
    if [ -n "$build" ] && [ -f "$build/build.ninja" ]; then
        say "resuming the static Windows Qt build in $build (log: $log)"
    else
        rm -rf "$work" "$dir.partial"
        mkdir -p "$work"
        say "building the static Windows Qt $windows_qt_version into $dir (about 20-30 minutes; log: $log)"
        (
            set -e
            cd "$work"
            apt-get source -qq "qt6-base=$windows_qt_version*" >/dev/null 2>&1 || apt-get source -qq qt6-base
            cd qt6-base-"$windows_qt_version"*/
            windows_qt_patch
            mkdir build && cd build
            ../configure -prefix "$dir.partial" "${windows_qt_flags[@]}" -qt-host-path /usr -- \
                -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" \
                -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
        ) >"$log" 2>&1 || { tail -n 40 "$log" >&2; say "Windows Qt configure failed (log: $log)"; exit 1; }
        build=$(echo "$work"/qt6-base-"$windows_qt_version"*/build)
    fi
    (
        set -e
        cd "$build"
        nice -n 10 cmake --build . --parallel "$(nproc)"
        cmake --install .
    ) >>"$log" 2>&1 || { tail -n 40 "$log" >&2; say "Windows Qt build failed (log: $log)"; exit 1; }
    mv "$dir.partial" "$dir"
    rm -rf "$work"
    say "Windows Qt built in $(((SECONDS - start) / 60)) min: $dir"
}

# build-windows: tapsmith.exe against the Windows Qt (Release, static, GUI subsystem, icon and version
# resource). Qt's toolchain file records the path of ours as it was when Qt was built; the chain-load
# option points it at this checkout's.
windows_configure() {
    local dir=$1 testing=$2 qt
    qt=$(windows_qt_dir)
    # A build folder keeps the toolchain it was first configured with: one made against another Qt (its
    # cache key changed, or another cache folder) starts afresh.
    if [ -f "$dir/CMakeCache.txt" ] && ! grep -qxF "Qt6_DIR:PATH=$qt/lib/cmake/Qt6" "$dir/CMakeCache.txt"; then
        rm -rf "$dir"
    fi
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWARNINGS_AS_ERRORS=ON \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$windows_toolchain" -DBUILD_TESTING="$testing" >/dev/null
}

windows_build() {
    local dir="$root/build-windows"
    windows_configure "$dir" OFF
    local log="$dir/build.log"
    if ! nice -n 5 cmake --build "$dir" --target tapsmith -j"$(nproc)" >"$log" 2>&1; then
        grep -v -E '^\[ *[0-9]+/[0-9]+\]' "$log" >&2
        say "Windows build failed"
        exit 1
    fi
    say "$dir/tapsmith.exe: $(du -h "$dir/tapsmith.exe" | cut -f1), imports: $(windows_imports "$dir/tapsmith.exe" | tr '\n' ' ')"
}

windows_imports() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p'
}

windows_version() {
    sed -n 's/^project(Tapsmith VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt"
}

# The zip (the program and a short readme) and the per-user installer, next to the program.
windows_package() {
    local dir="$root/build-windows" version
    version=$(windows_version)
    local stage="$dir/package/tapsmith-$version-windows-x64"
    rm -rf "$dir/package"
    mkdir -p "$stage"
    x86_64-w64-mingw32-strip -o "$stage/tapsmith.exe" "$dir/tapsmith.exe"
    sed 's/$/\r/' "$root/packaging/windows/README.txt" >"$stage/README.txt"
    (cd "$dir/package" && zip -q -r "../tapsmith-$version-windows-x64.zip" "tapsmith-$version-windows-x64")
    makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$root/resources/icons/tapsmith.ico" \
        -DOUTFILE="$dir/tapsmith-$version-windows-x64-setup.exe" "$root/packaging/windows/installer.nsi" >&2
    say "$dir/tapsmith-$version-windows-x64.zip"
    say "$dir/tapsmith-$version-windows-x64-setup.exe"
}

# The unit and gui tests cross-built against the Windows Qt and run by wine on a private display in a
# prefix of their own; then tapsmith.exe end to end, its clicks following a moved window, its recovery
# journal after a kill, and the installer, under wine as well.
windows_tests() {
    local dir="$root/build-windows-tests"
    windows_configure "$dir" ON
    local log="$dir/build.log"
    if ! nice -n 5 cmake --build "$dir" -j"$(nproc)" >"$log" 2>&1; then
        grep -v -E '^\[ *[0-9]+/[0-9]+\]' "$log" >&2
        say "Windows test build failed"
        exit 1
    fi
    start_private_display
    local status=0
    (
        export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        trap 'wineserver -k 2>/dev/null || true' EXIT
        "$root/tools/wine-prefix.sh" "$WINEPREFIX" || exit 1
        cd "$dir" && ctest --output-on-failure -L 'unit|gui'
    ) || status=1
    local version
    version=$(windows_version)
    "$root/tests/windows/e2e-test.sh" "$root/build-windows/tapsmith.exe" || status=1
    "$root/tests/windows/window-anchor-test.sh" "$root/build-windows/tapsmith.exe" || status=1
    "$root/tests/windows/journal-kill-test.sh" "$root/build-windows/tapsmith.exe" || status=1
    "$root/tests/windows/installer-test.sh" "$root/build-windows/tapsmith-$version-windows-x64-setup.exe" || status=1
    return $status
}
