#!/usr/bin/env bash
# Cross-compiles the Windows build with mingw-w64 and runs it under wine: with
# no adapter driver installed it must print the same bytes as the native
# build (apart from CR LF line ends) and end with the same status. Then the
# Windows build with the emulator transport must match the native build on
# emulated adapters.
#   scripts/check_windows_build.sh NATIVE_BUILD_DIR [WINDOWS_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
native="${1:?native build dir}"
windows="${2:-build-windows}"
scripts/install_dependencies.sh --windows
cmake -S . -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DHBA_WARNINGS_AS_ERRORS=ON >/dev/null
ninja -C "$windows" hbabootcfg

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$(mktemp -d)/wine}"
empty_root="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$empty_root" "$work"' EXIT

# Starting wine the first time creates its prefix and chatters on stderr.
wine cmd /c exit >/dev/null 2>&1 || true

failures=0
# compare NATIVE_ROOT WINDOWS_EXE WINDOWS_ROOT ARGS...: runs the native build
# on NATIVE_ROOT and WINDOWS_EXE under wine (with HBAEMU_DIR=WINDOWS_ROOT when
# given) with the same arguments, and compares output and status.
compare() {
    local native_root="$1" exe="$2" windows_root="$3"
    shift 3
    HBAEMU_DIR="$native_root" "$native/src/app/hbabootcfg" "$@" >"$work/native.out" 2>"$work/native.err" && ns=0 || ns=$?
    HBAEMU_DIR="$windows_root" wine "$exe" "$@" >"$work/win.out" 2>"$work/win.err" && ws=0 || ws=$?
    for stream in out err; do
        sed 's/\r$//' "$work/win.$stream" >"$work/win.$stream.lf"
        if ! cmp -s "$work/native.$stream" "$work/win.$stream.lf"; then
            echo "FAIL: hbabootcfg $* differs on standard $stream"
            diff <(od -c "$work/native.$stream") <(od -c "$work/win.$stream.lf") | head -20
            failures=$((failures + 1))
        fi
    done
    if [[ "$ns" != "$ws" ]]; then
        echo "FAIL: hbabootcfg $* ends with $ws under wine, $ns natively"
        failures=$((failures + 1))
    fi
    echo "checked under wine: hbabootcfg $* (status $ws)"
}

check() {
    compare "$empty_root" "$windows/src/app/hbabootcfg.exe" "" "$@"
}

check
check --version
check -v
check --list
check --help
check --display 0
check --erase 3 rom -f

# The same sources built for Windows with the emulator behind the transport:
# on adapters that each build's hbaemu made, both builds must say the same.
emulated="${windows}-emulator"
cmake -S . -B "$emulated" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DHBA_TRANSPORT=emulator -DHBA_WARNINGS_AS_ERRORS=ON >/dev/null
ninja -C "$emulated" hbabootcfg hbaemu
native_root="$work/native-root"
windows_root="$work/windows-root"
HBAEMU_DIR="$native_root" "$native/src/emulator/hbaemu/hbaemu" init --count 3 >/dev/null
HBAEMU_DIR="$(winepath -w "$windows_root")" wine "$emulated/src/emulator/hbaemu/hbaemu.exe" init --count 3 >/dev/null
check_emulated() {
    compare "$native_root" "$emulated/src/app/hbabootcfg.exe" "$(winepath -w "$windows_root")" "$@"
}
check_emulated --list
check_emulated --display 2
check_emulated --configure 1 vlanid=7 staticip=10.0.0.5
check_emulated --configure 1 vlanid=4095
check_emulated --display 1
check_emulated --erase 0 settings --force
check_emulated --display 0
check_emulated --display 7

if [[ $failures -ne 0 ]]; then
    echo "windows: 0 passed, $failures failed"
    exit 1
fi
echo "windows build matches the native build"
