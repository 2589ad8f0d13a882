#!/bin/sh
# Times `hbabootcfg --list` over 20 emulated adapters, the most the handle
# table holds. Each adapter has a capability list ending in the VPD
# capability, so the list reads 1,152 VPD words per adapter (three or more
# configuration requests each) and probes the Option ROM and the settings.
# Prints the wall time of each run and the VPD words per second.
#
# Usage: scripts/bench_list.sh [BUILD_DIR] [RUNS]   (default ./build, 3 runs;
# builds nothing)
set -eu

bench_build=${1:-./build}
bench_name=bench_list
# shellcheck source=scripts/bench_setup.sh
. "$(dirname "$0")/bench_setup.sh"
runs=${2:-3}
count=20

"$hbaemu" init --count "$count" >/dev/null
found=$("$utility" --list 2>/dev/null | grep -c '^Device: ' || true)
if [ "$found" -ne "$count" ]; then
    echo "bench_list: the list shows $found adapters, not $count" >&2
    exit 1
fi

run=1
while [ "$run" -le "$runs" ]; do
    start=$(date +%s%N)
    "$utility" --list >/dev/null 2>&1
    end=$(date +%s%N)
    ns=$((end - start))
    words=$((count * 1152))
    echo "run $run: --list of $count adapters: $((ns / 1000000)) ms wall" \
        "($words VPD words, $((words * 1000 / (ns / 1000000 + 1))) words/s)"
    run=$((run + 1))
done
