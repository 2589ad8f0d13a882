#!/bin/sh
# Times `hbabootcfg --update` of a full-size (0x30000-byte) Option ROM image on
# one emulated adapter whose flash is given realistic timing: 400 ms per
# 64 KiB sector erase and 0.7 ms per page program. Prints the wall time next to
# the flash's own busy time for the same image (3 erases, 768 page programs),
# so the cost of the polling, the transfers and the read-back stands out.
#
# Usage: scripts/bench_update.sh [BUILD_DIR]   (default ./build; builds nothing)
set -eu

build=${1:-./build}
find_tool() {
    find "$build" -name "$1" -type f -perm -u+x 2>/dev/null | head -n 1
}
utility=$(find_tool hbabootcfg)
if [ -z "$utility" ]; then
    echo "bench_update: no hbabootcfg under $build; build it first" >&2
    exit 1
fi
hbaemu=$(find_tool hbaemu)

root=$(mktemp -d "${TMPDIR:-/tmp}/hbaemu-bench-XXXXXX")
trap 'rm -rf "$root"' EXIT INT TERM
export HBAEMU_DIR="$root"
unset HBAEMU_TRACE || true

# One adapter: by the emulator's own tool when it is built, else by hand
# (erased flash, empty configuration space and VPD).
if [ -n "$hbaemu" ] && "$hbaemu" init --count 1 >/dev/null 2>&1; then
    adapter=$(dirname "$(find "$root" -mindepth 2 -maxdepth 2 -name flash.bin | sort | head -n 1)")
else
    adapter="$root/adapter00"
    mkdir -p "$adapter"
    head -c 524288 /dev/zero | tr '\000' '\377' >"$adapter/flash.bin"
    head -c 256 /dev/zero >"$adapter/config.bin"
    head -c 8192 /dev/zero >"$adapter/vpd.bin"
fi
printf 'erase-time-ms 400\nprogram-time-us 700\n' >"$adapter/faults"

# A 0x30000-byte image: the emulator tool's own when it can make one of that
# size, else the signature 0x55 0xAA followed by random bytes.
image="$root/image.rom"
size=196608
if [ -z "$hbaemu" ] || ! "$hbaemu" make-rom "$image" --size "$size" >/dev/null 2>&1 ||
    [ "$(wc -c <"$image")" -ne "$size" ]; then
    { printf '\125\252'; head -c $((size - 2)) /dev/urandom; } >"$image"
fi

start=$(date +%s%N)
"$utility" --update 0 "$image" >/dev/null
end=$(date +%s%N)

wall_ms=$(( (end - start) / 1000000 ))
pages=$(( size / 256 ))
busy_us=$(( 3 * 400 * 1000 + pages * 700 ))
echo "image:            $size bytes ($pages pages, 3 sectors)"
echo "wall time:        $wall_ms ms"
echo "flash busy time:  $(( busy_us / 1000 )).$(( busy_us % 1000 / 100 )) ms (3 x 400 ms erase + $pages x 0.7 ms program)"
