#!/bin/sh
# Times `hbabootcfg --update` of a full-size (0x30000-byte) Option ROM image on
# one emulated adapter whose flash is given realistic timing: 400 ms per
# 64 KiB sector erase and 0.7 ms per page program. Prints the wall time next to
# the flash's own busy time for the same image (3 erases, 768 page programs),
# so the cost of the polling, the transfers and the read-back stands out.
#
# Usage: scripts/bench_update.sh [BUILD_DIR]   (default ./build; builds nothing)
set -eu

bench_build=${1:-./build}
bench_name=bench_update
# shellcheck source=scripts/bench_setup.sh
. "$(dirname "$0")/bench_setup.sh"

"$hbaemu" init --count 1 >/dev/null
"$hbaemu" fault 0 erase-time-ms 400 >/dev/null
"$hbaemu" fault 0 program-time-us 700 >/dev/null

image="$root/image.rom"
size=196608
"$hbaemu" make-rom "$image" --size "$size" >/dev/null

start=$(date +%s%N)
"$utility" --update 0 "$image" >/dev/null
end=$(date +%s%N)

wall_ms=$(( (end - start) / 1000000 ))
pages=$(( size / 256 ))
busy_us=$(( 3 * 400 * 1000 + pages * 700 ))
echo "image:            $size bytes ($pages pages, 3 sectors)"
echo "wall time:        $wall_ms ms"
echo "flash busy time:  $(( busy_us / 1000 )).$(( busy_us % 1000 / 100 )) ms (3 x 400 ms erase + $pages x 0.7 ms program)"
