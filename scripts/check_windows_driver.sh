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
[[ -f "$native/build.ninja" ]] || quietly scripts/configure.sh "$native"
quietly ninja -C "$native" hbabootcfg hbaemu
windows_driver_build "$windows"
native_exe="$native/src/app/hbabootcfg"
hbaemu="$native/src/emulator/hbaemu/hbaemu"

started=$SECONDS
wine_temporary_prefix
prefix_seconds=$((SECONDS - started))
work="$wine_work"
unset HBAEMU_DIR HBAEMU_TRACE

# Three adapters: adapter00 complete, adapter01 without the VPD capability
# (an empty capability list), adapter02 without an Option ROM (erased).
compare_native="$native_exe"
compare_windows="$windows_exe"
compare_native_root="$work/native-root"
compare_windows_root="$work/windows-root"
compare_native_trace="$work/native.trace"
compare_label="through the driver"
native_root="$compare_native_root"
windows_root="$compare_windows_root"
HBAEMU_DIR="$native_root" "$hbaemu" init --count 3 >/dev/null
printf '\0' | dd of="$native_root/adapter01/config.bin" bs=1 seek=$((0x34)) conv=notrunc status=none
head -c $((0x30000)) /dev/zero | tr '\0' '\377' |
    dd of="$native_root/adapter02/flash.bin" conv=notrunc status=none
cp -a "$native_root" "$windows_root"
"$hbaemu" make-rom "$work/small.rom" --size 512 --version 4.2.0 --ids 1abe:0b12 >/dev/null
"$hbaemu" make-rom "$work/too-big.rom" --size 0x40000 >/dev/null

started=$SECONDS
windows_driver_install "$windows_root"
windows_driver_trace "$work/windows.trace"
install_seconds=$((SECONDS - started))

# with_fault ADAPTER_FOLDER FAULT ARGS...: compare with FAULT in that
# adapter's faults file on both sides.
with_fault() {
    local folder="$1" fault="$2"
    shift 2
    printf '%s\n' "$fault" | tee "$native_root/$folder/faults" >"$windows_root/$folder/faults"
    wine_compare "$@"
    rm -f "$native_root/$folder/faults" "$windows_root/$folder/faults"
}

started=$SECONDS
wine_compare --list
wine_compare --display 0
wine_compare --display 1
wine_compare --display 2
# A backup of adapter01 as it is now, made natively: restoring its settings
# reads and writes few enough requests for this stage (a whole Option ROM
# region is some 150,000).
HBAEMU_DIR="$native_root" "$native_exe" --backup 1 "$work/adapter01.bak" >/dev/null
head -c 1000 "$work/adapter01.bak" >"$work/truncated.bak"
wine_compare --configure 1 vlanid=7 staticip=10.0.0.5
wine_compare --restore 1 file:adapter01.bak settings --force
wine_compare --restore 0 file:truncated.bak all --force
wine_compare --configure 1 vlanid=4095
wine_compare --update 2 file:small.rom
wine_compare --update 0 file:too-big.rom
wine_compare --erase 0 rom --force
wine_compare --erase 1 settings --force
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
compare_check
if [[ ! -s "$work/windows.trace" ]]; then
    compare_fail "the driver traced no request"
elif grep -q $'\r' "$work/windows.trace"; then
    compare_fail "the driver's trace has CR LF line ends"
elif ! cmp -s "$work/native.trace.runs" "$work/windows.trace.runs"; then
    compare_fail "the driver's trace differs from the emulator transport's"
    diff "$work/native.trace.runs" "$work/windows.trace.runs" | head -10 || true
else
    echo "checked: the trace of $(wc -l <"$work/windows.trace") requests through the driver matches"
fi

# Ctrl+C while a save erases and programs: wine hands SIGINT to the console
# control handler, which holds it until the settings are saved and read back.
# On a flash as slow as a real one the erase takes 300 ms and its first status
# poll comes after 500 ms: the interrupt is sent as soon as the driver's trace
# shows the settings sector's erase command.
windows_driver_trace "$work/interrupt.trace"
printf 'erase-time-ms 300\nprogram-time-us 2000\n' >"$windows_root/adapter01/faults"
compare_check
HBAEMU_DIR="$(windows_path "$windows_root")" wine "$windows_exe" --configure 1 vlanid=99 \
    >"$work/interrupt.out" 2>"$work/interrupt.err" &
interrupted=$!
for ((tries = 0; tries < 3000; tries++)); do
    grep -q 'adapter01 regwrite 0x000006d8 0x000003d8' "$work/interrupt.trace" 2>/dev/null && break
    sleep 0.01
done
# The wine command became the Windows program's process (it execs the
# loader), so its process ID is the program's.
kill -INT "$interrupted" 2>/dev/null || true
status=0
wait "$interrupted" || status=$?
rm -f "$windows_root/adapter01/faults"
held_line="ERROR: Interrupted, the new settings were saved and verified; nothing more was done!"
if [[ $status -ne 255 ]] || [[ "$(tail -n 1 "$work/interrupt.err" | sed 's/\r$//')" != "$held_line" ]]; then
    compare_fail "Ctrl+C during a save was not held (status $status)"
    cat "$work/interrupt.err"
elif ! grep -qx 'vlanid=99' <<<"$(HBAEMU_DIR="$windows_root" "$native_exe" --export 1 2>/dev/null)"; then
    compare_fail "Ctrl+C during a save was held, but the settings were not saved"
else
    echo "checked through the driver: Ctrl+C during a save is held until the settings are saved"
fi

# A shared prefix is left without virtual adapters and trace file, as a
# fresh one: the next script to use it may count on finding no adapter.
windows_driver_trace
wine "$driver_dir/hbaemu_adapter_setup.exe" remove

echo "wine prefix ${prefix_seconds} s, driver install ${install_seconds} s, runs ${runs_seconds} s"
compare_summary "windows driver"
echo "windows driver: the production build matches the native build"
