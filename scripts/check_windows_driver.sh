#!/usr/bin/env bash
# The production Windows build, unmodified, against the native build: under
# wine it reaches emulated adapters through SetupAPI, CreateFileW and
# DeviceIoControl, served by the virtual adapter driver; natively through the
# emulator transport. On identical copies of the same adapters both must
# print the same (CR LF aside), end with the same status, leave the same
# flash and VPD bytes behind, and issue the same requests (the trace).
#   scripts/check_windows_driver.sh NATIVE_BUILD_DIR [WINDOWS_BUILD_DIR]
# Requests through the driver cost a few hundred microseconds each, so the
# cases stay small: a 512-byte Option ROM image, faults on one adapter.
set -euo pipefail
cd "$(dirname "$0")/.."
echo "== Windows build through the virtual adapter driver, against the native build"
native="${1:?native build dir}"
windows="${2:-build-windows}"
scripts/install_dependencies.sh --windows
# shellcheck source=scripts/windows_driver_setup.sh
. scripts/windows_driver_setup.sh
[[ -f "$native/build.ninja" ]] || quietly cmake -S . -B "$native" -G Ninja
quietly ninja -C "$native" hbabootcfg hbaemu
windows_driver_build "$windows"
native_exe="$native/src/app/hbabootcfg"
hbaemu="$native/src/emulator/hbaemu/hbaemu"

work="$(mktemp -d)"
export WINEPREFIX="$work/wine"
. scripts/wine_server.sh
trap 'end_wine_server "$WINEPREFIX"; rm -rf "$work"' EXIT
unset HBAEMU_DIR HBAEMU_TRACE

started=$SECONDS
windows_driver_create_prefix
prefix_seconds=$((SECONDS - started))
wineserver -p

# Three adapters: adapter00 complete, adapter01 without the VPD capability
# (an empty capability list), adapter02 without an Option ROM (erased).
native_root="$work/native-root"
windows_root="$work/windows-root"
HBAEMU_DIR="$native_root" "$hbaemu" init --count 3 >/dev/null
printf '\0' | dd of="$native_root/adapter01/config.bin" bs=1 seek=$((0x34)) conv=notrunc status=none
head -c $((0x30000)) /dev/zero | tr '\0' '\377' |
    dd of="$native_root/adapter02/flash.bin" conv=notrunc status=none
cp -a "$native_root" "$windows_root"
"$hbaemu" make-rom "$work/small.rom" --size 512 --version 4.2.0 >/dev/null
"$hbaemu" make-rom "$work/too-big.rom" --size 0x40000 >/dev/null

started=$SECONDS
windows_driver_install "$windows_root"
windows_driver_trace "$work/windows.trace"
install_seconds=$((SECONDS - started))

failures=0
checks=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# compare ARGS...: one run of each build with the same arguments; an
# argument file:NAME names $work/NAME, as a Windows path for the driver's run.
compare() {
    local native_args=() windows_args=() arg ns ws stream folder file
    for arg in "$@"; do
        if [[ "$arg" == file:* ]]; then
            native_args+=("$work/${arg#file:}")
            windows_args+=("$(windows_path "$work/${arg#file:}")")
        else
            native_args+=("$arg")
            windows_args+=("$arg")
        fi
    done
    HBAEMU_DIR="$native_root" HBAEMU_TRACE="$work/native.trace" \
        "$native_exe" "${native_args[@]}" >"$work/native.out" 2>"$work/native.err" && ns=0 || ns=$?
    wine "$windows_exe" "${windows_args[@]}" >"$work/windows.out" 2>"$work/windows.err" && ws=0 || ws=$?
    checks=$((checks + 1))
    for stream in out err; do
        sed 's/\r$//' "$work/windows.$stream" >"$work/windows.$stream.lf"
        if ! cmp -s "$work/native.$stream" "$work/windows.$stream.lf"; then
            fail "hbabootcfg $* differs on standard $stream"
            diff "$work/native.$stream" "$work/windows.$stream.lf" | head -10 || true
        fi
    done
    [[ "$ns" == "$ws" ]] || fail "hbabootcfg $* ends with $ws through the driver, $ns natively"
    for folder in "$native_root"/adapter*; do
        for file in flash.bin vpd.bin; do
            cmp -s "$folder/$file" "$windows_root/${folder##*/}/$file" ||
                fail "hbabootcfg $* leaves ${folder##*/}/$file different"
        done
    done
    echo "checked through the driver: hbabootcfg $* (status $ws)"
}

# with_fault ADAPTER_FOLDER FAULT ARGS...: compare with FAULT in that
# adapter's faults file on both sides.
with_fault() {
    local folder="$1" fault="$2"
    shift 2
    printf '%s\n' "$fault" | tee "$native_root/$folder/faults" >"$windows_root/$folder/faults"
    compare "$@"
    rm -f "$native_root/$folder/faults" "$windows_root/$folder/faults"
}

started=$SECONDS
compare --list
compare --display 0
compare --display 1
compare --display 2
# A backup of adapter01 as it is now, made natively: restoring its settings
# reads and writes few enough requests for this stage (a whole Option ROM
# region is some 150,000).
HBAEMU_DIR="$native_root" "$native_exe" --backup 1 "$work/adapter01.bak" >/dev/null
head -c 1000 "$work/adapter01.bak" >"$work/truncated.bak"
compare --configure 1 vlanid=7 staticip=10.0.0.5
compare --restore 1 file:adapter01.bak settings --force
compare --restore 0 file:truncated.bak all --force
compare --configure 1 vlanid=4095
compare --update 2 file:small.rom
compare --update 0 file:too-big.rom
compare --erase 0 rom --force
compare --erase 1 settings --force
with_fault adapter00 "register-error 31" --display 0
with_fault adapter00 "config-read-error 1167" --list
with_fault adapter00 "config-write-error 31" --list
with_fault adapter00 "controller-stuck" --display 0
with_fault adapter00 "flash-stuck" --configure 0 vlanid=5
with_fault adapter00 "program-busy-polls 5" --configure 0 vlanid=6
with_fault adapter00 "vpd-stuck" --list
with_fault adapter00 "fail-after 200" --display 0
runs_seconds=$((SECONDS - started))

# The driver traced every request it served: the same requests, in the same
# order and with the same results, as the emulator transport traced, in lines
# that end in LF alone. A wait for the VPD is bounded in time, so how often
# it repeats the same poll depends on how fast requests are: runs of one
# line count once.
uniq "$work/native.trace" >"$work/native.trace.runs"
uniq "$work/windows.trace" >"$work/windows.trace.runs"
checks=$((checks + 1))
if [[ ! -s "$work/windows.trace" ]]; then
    fail "the driver traced no request"
elif grep -q $'\r' "$work/windows.trace"; then
    fail "the driver's trace has CR LF line ends"
elif ! cmp -s "$work/native.trace.runs" "$work/windows.trace.runs"; then
    fail "the driver's trace differs from the emulator transport's"
    diff "$work/native.trace.runs" "$work/windows.trace.runs" | head -10 || true
else
    echo "checked: the trace of $(wc -l <"$work/windows.trace") requests through the driver matches"
fi

echo "wine prefix ${prefix_seconds} s, driver install ${install_seconds} s, runs ${runs_seconds} s"
if [[ $failures -ne 0 ]]; then
    echo "windows driver: $((checks - failures)) of $checks checks passed, $failures failures"
    exit 1
fi
echo "windows driver: all $checks checks passed; the production build matches the native build"
