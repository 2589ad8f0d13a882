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
# shellcheck source=scripts/windows_build.sh
. scripts/windows_build.sh

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

# linux_configure BUILD_DIR: the emulator build, without its tests when the
# folder is new (an existing one keeps its compiler and its tests).
linux_configure() {
    local new_options=(-DHBA_BUILD_TESTS=OFF)
    [[ -f "$1/CMakeCache.txt" ]] && new_options=()
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release "${new_options[@]}" -DHBA_TRANSPORT=emulator >/dev/null
}

# windows_package_configure BUILD_DIR: the production build, with the kernel
# driver transport.
windows_package_configure() {
    windows_configure "$1" x86_64 -DHBA_TRANSPORT=driver
}

# make_archive BUILD_DIR ARCHIVE_GLOB TARGETS CONFIGURE: configures the
# folder with the function CONFIGURE and builds TARGETS (a list split at
# spaces), packs the archive into BUILD_DIR/package and copies it to dist/.
make_archive() {
    local build="$1" glob="$2" targets
    read -r -a targets <<<"$3"
    "$4" "$build"
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
make_archive "$linux" "hbabootcfg-*-linux-*.tar.gz" "hbabootcfg hbaemu" linux_configure
make_archive "$windows" "hbabootcfg-*-windows-*.zip" "hbabootcfg" windows_package_configure
