#!/usr/bin/env bash
# Cross-compiles the Windows build with mingw-w64 and runs it under wine: with
# no adapter driver installed it must print the same bytes as the native
# build (apart from CR LF line ends) and end with the same status. Then the
# Windows build with the emulator transport must match the native build on
# emulated adapters. The 32-bit Windows build is compiled and linked only:
# this machine runs 64-bit wine alone.
#   scripts/check_windows_build.sh NATIVE_BUILD_DIR [WINDOWS_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
native="${1:?native build dir}"
windows="${2:-build-windows}"
scripts/install_dependencies.sh --windows
cmake -S . -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DHBA_WARNINGS_AS_ERRORS=ON >/dev/null
ninja -C "$windows" hbabootcfg

# The record sizes SetupAPI checks differ between 32 and 64 bits; the
# transport pins them per architecture at compile time.
windows32="${windows}-i686"
cmake -S . -B "$windows32" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DHBA_WARNINGS_AS_ERRORS=ON >/dev/null
ninja -C "$windows32" hbabootcfg
if ! i686-w64-mingw32-objdump -f "$windows32/src/app/hbabootcfg.exe" | grep -q 'file format pei-i386'; then
    echo "FAIL: $windows32/src/app/hbabootcfg.exe is no 32-bit Windows executable"
    exit 1
fi
echo "built for 32-bit Windows: $windows32/src/app/hbabootcfg.exe"

. scripts/wine_prefix.sh
empty_root="$(mktemp -d)"
work="$(mktemp -d)"
temporaries+=("$empty_root" "$work")

failures=0
# compare NATIVE_ROOT WINDOWS_EXE WINDOWS_ROOT ARGS...: runs the native build
# on NATIVE_ROOT and WINDOWS_EXE under wine (with HBAEMU_DIR=WINDOWS_ROOT when
# given) with the same arguments, and compares output and status. An
# argument naming a file in the work folder reaches the Windows build as
# that file's Windows path.
compare() {
    local native_root="$1" exe="$2" windows_root="$3" argument
    shift 3
    local windows_args=()
    local native_args=()
    # A path under $work/BUILD/ names a file of each build's own: $work/native/
    # for the native build, $work/windows/ for the Windows one.
    for argument in "$@"; do
        native_args+=("${argument/#$work\/BUILD\//$work/native/}")
        argument="${argument/#$work\/BUILD\//$work/windows/}"
        [[ "$argument" == "$work"/* ]] && argument="$(winepath -w "$argument")"
        [[ "$argument" == "@$work"/* ]] && argument="@$(winepath -w "${argument#@}")"
        windows_args+=("$argument")
    done
    HBAEMU_DIR="$native_root" "$native/src/app/hbabootcfg" "${native_args[@]}" >"$work/native.out" 2>"$work/native.err" && ns=0 || ns=$?
    HBAEMU_DIR="$windows_root" wine "$exe" "${windows_args[@]}" >"$work/win.out" 2>"$work/win.err" && ws=0 || ws=$?
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

# Image paths outside the ANSI code page (wine's is 1252: it holds "ë" but
# no Cyrillic) reach the Windows build as typed, and the image is written.
same_flash() {
    if ! cmp -s "$native_root/$1/flash.bin" "$windows_root/$1/flash.bin"; then
        echo "FAIL: $1/flash.bin differs between the builds after: $2"
        failures=$((failures + 1))
    fi
}
third=0
for folder in "Зоя" "Chloë Zoë" "ünïcødé ✓"; do
    third=$((third + 1))
    mkdir -p "$work/$folder"
    "$native/src/emulator/hbaemu/hbaemu" make-rom "$work/$folder/rom.bin" --size 700 --version "3.1.$third" >/dev/null
    check_emulated --update 2 "$work/$folder/rom.bin"
    same_flash adapter02 "--update 2 $folder/rom.bin"
done
check_emulated --list
check_emulated --update 2 "$work/Зоя/missing.bin"

# Backup and restore: each build writes its own backup of the same adapter
# under a name outside the ANSI code page; the two files must be identical,
# and restoring them must leave identical flash.
mkdir -p "$work/native/Зоя" "$work/windows/Зоя"
check_emulated --backup 2 "$work/BUILD/Зоя/backup.bin"
if ! cmp -s "$work/native/Зоя/backup.bin" "$work/windows/Зоя/backup.bin"; then
    echo "FAIL: the two builds' backups of adapter02 differ"
    failures=$((failures + 1))
fi
check_emulated --backup 2 "$work/BUILD/Зоя/backup.bin"
check_emulated --configure 2 vlanid=99
check_emulated --restore 2 "$work/BUILD/Зоя/backup.bin" all --force
same_flash adapter02 "--restore 2 Зоя/backup.bin all --force"
check_emulated --restore 1 "$work/BUILD/Зоя/backup.bin" settings --force

# A settings file named outside the ANSI code page, with CR LF line ends,
# and the export that made it.
check_emulated --export 2
if ! HBAEMU_DIR="$native_root" "$native/src/app/hbabootcfg" --export 2 >"$work/Зоя/template.txt"; then
    echo "FAIL: adapter02's settings could not all be exported"
    failures=$((failures + 1))
fi
printf '# from adapter 2\r\nvlanid=33\r\n' >>"$work/Зоя/template.txt"
check_emulated --configure 1 "@$work/Зоя/template.txt" targetlun=4
same_flash adapter01 "--configure 1 @Зоя/template.txt targetlun=4"
check_emulated --export 1

if [[ $failures -ne 0 ]]; then
    echo "windows: 0 passed, $failures failed"
    exit 1
fi
echo "windows build matches the native build"
