# shellcheck shell=bash
# Shared by every script that builds the Windows executables (sourced, not
# run): the one way the mingw-w64 cross build is configured.

# windows_configure BUILD_DIR x86_64|i686 [CMAKE_OPTIONS...]: configures
# BUILD_DIR as a Release cross build for 64-bit or 32-bit Windows, warnings
# as errors. The extra options come last and so win (-DHBA_TRANSPORT=...).
# An existing build folder keeps its compiler: CMake reads the toolchain
# file only when it first configures a folder. cmake's output is shown, on
# standard error, only when it fails.
windows_configure() {
    local build="$1" arch="$2" repo output
    shift 2
    repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    if ! output="$(cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DHBA_WARNINGS_AS_ERRORS=ON "$@" 2>&1)"; then
        printf '%s\n' "$output" >&2
        return 1
    fi
}
