#!/bin/sh
# Times `hbabootcfg --backup` of a realistic emulated adapter whose flash has
# realistic timing (400 ms per 64 KiB sector erase, 0.7 ms per page program),
# then a `--restore all` after a full-size update and a settings change,
# against the `--update` plus `--configure` that it undoes.
#
# Usage: scripts/bench_backup.sh [BUILD_DIR]   (default ./build; builds nothing)
set -eu

bench_build=${1:-./build}
bench_name=bench_backup
# shellcheck source=scripts/bench_setup.sh
. "$(dirname "$0")/bench_setup.sh"

"$hbaemu" init --count 1 >/dev/null
"$hbaemu" fault 0 erase-time-ms 400 >/dev/null
"$hbaemu" fault 0 program-time-us 700 >/dev/null
image="$root/image.rom"
"$hbaemu" make-rom "$image" --size 196608 >/dev/null

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
timed() {
    label=$1
    shift
    start=$(now_ms)
    "$utility" "$@" >/dev/null
    printf '%-44s %6d ms\n' "$label" $(( $(now_ms) - start ))
}

timed "--backup" --backup 0 "$root/backup.bin"
timed "--update (0x30000 bytes)" --update 0 "$image"
timed "--configure 0 vlanid=12" --configure 0 vlanid=12
timed "--restore all (48 KiB ROM, settings)" --restore 0 "$root/backup.bin" all --force
timed "--restore all, nothing to do" --restore 0 "$root/backup.bin" all --force
