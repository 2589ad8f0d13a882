#!/usr/bin/env bash
# Makes the release archives under dist/ with CPack:
#   hbabootcfg-<version>-windows-x64.zip       the production hbabootcfg.exe
#       (kernel driver transport, mingw-w64, linked statically), README.txt
#       for operators and LICENSE.txt, both with CR LF line ends
#   hbabootcfg-<version>-linux-x86_64.tar.gz   the emulator build of
#       hbabootcfg and hbaemu, README.md and LICENSE
# <version> is the project version in CMakeLists.txt.
#   scripts/package.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
# The build folders default to build-package-linux and build-package-windows.
# An existing Release build may be given instead (CI passes the ones it has
# just tested); it is reconfigured as a release needs it, which changes
# nothing in a Release build with those settings, and only the two programs
# are built.
set -euo pipefail
cd "$(dirname "$0")/.."
linux="${1:-build-package-linux}"
windows="${2:-build-package-windows}"
scripts/install_dependencies.sh --windows

tests_off() { [[ -f "$1/CMakeCache.txt" ]] || echo "-DHBA_BUILD_TESTS=OFF"; }

# make BUILD_DIR TARGETS CMAKE_OPTIONS...: configures and builds, then packs
# the archive into BUILD_DIR/package and copies it to dist/.
make_archive() {
    local build="$1" targets="$2"
    shift 2
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release $(tests_off "$build") "$@" >/dev/null
    ninja -C "$build" $targets
    rm -rf "$build/package"
    cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
    local archive
    for archive in "$build"/package/hbabootcfg-*.zip "$build"/package/hbabootcfg-*.tar.gz; do
        [[ -f "$archive" ]] || continue
        cp "$archive" dist/
        echo "dist/$(basename "$archive")"
    done
}

mkdir -p dist
make_archive "$linux" "hbabootcfg hbaemu" -DHBA_TRANSPORT=emulator
make_archive "$windows" "hbabootcfg" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DHBA_TRANSPORT=driver
