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

# An existing build folder must be of the right kind: a mingw-w64 cross build
# for Windows, a native one for Linux.
cross_build() { grep -q '^CMAKE_TOOLCHAIN_FILE:.*mingw' "$1/CMakeCache.txt"; }
if [[ -f "$linux/CMakeCache.txt" ]] && cross_build "$linux"; then
    echo "package: $linux is a Windows build, not a Linux one" >&2
    exit 1
fi
if [[ -f "$windows/CMakeCache.txt" ]] && ! cross_build "$windows"; then
    echo "package: $windows is not a mingw-w64 Windows build" >&2
    exit 1
fi

# make_archive BUILD_DIR ARCHIVE_GLOB TARGETS NEW_OPTIONS CMAKE_OPTIONS...:
# configures (with NEW_OPTIONS too for a build folder not yet configured; an
# existing one keeps its compiler and its tests) and builds, packs the
# archive into BUILD_DIR/package and copies it to dist/. TARGETS and
# NEW_OPTIONS are lists split at spaces.
make_archive() {
    local build="$1" glob="$2" targets new_options
    read -r -a targets <<<"$3"
    read -r -a new_options <<<"$4"
    shift 4
    if [[ -f "$build/CMakeCache.txt" ]]; then new_options=(); fi
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${new_options[@]}" "$@" >/dev/null
    ninja -C "$build" "${targets[@]}"
    rm -rf "$build/package"
    cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
    local archives
    mapfile -t archives < <(compgen -G "$build/package/$glob")
    if [[ ${#archives[@]} -ne 1 || ! -f "${archives[0]}" ]]; then
        echo "package: $build made no $glob; is it the right kind of build?" >&2
        exit 1
    fi
    cp "${archives[0]}" dist/
    echo "dist/$(basename "${archives[0]}")"
}

mkdir -p dist
make_archive "$linux" "hbabootcfg-*-linux-*.tar.gz" "hbabootcfg hbaemu" \
    "-DHBA_BUILD_TESTS=OFF" -DHBA_TRANSPORT=emulator
make_archive "$windows" "hbabootcfg-*-windows-*.zip" "hbabootcfg" \
    "-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake" -DHBA_TRANSPORT=driver
