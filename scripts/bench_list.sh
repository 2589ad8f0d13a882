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

build=${1:-./build}
runs=${2:-3}
find_tool() {
    find "$build" -name "$1" -type f -perm -u+x 2>/dev/null | head -n 1
}
utility=$(find_tool hbabootcfg)
if [ -z "$utility" ]; then
    echo "bench_list: no hbabootcfg under $build; build it first" >&2
    exit 1
fi
hbaemu=$(find_tool hbaemu)

root=$(mktemp -d "${TMPDIR:-/tmp}/hbaemu-bench-XXXXXX")
trap 'rm -rf "$root"' EXIT INT TERM
export HBAEMU_DIR="$root"
unset HBAEMU_TRACE || true

count=20

# Writes the bytes given as octal escapes at a byte offset of a file.
poke() {
    printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# By hand: a capability list 0x34 -> 0x40 (power management) -> 0x48 (VPD),
# zeroed VPD except the vendor and device ID words, and flash holding an
# Option ROM signature with a $DM$ header (version 1.2.3).
make_adapter() {
    dir="$root/$1"
    mkdir -p "$dir"
    head -c 256 /dev/zero >"$dir/config.bin"
    poke "$dir/config.bin" 52 '\100'            # 0x34: first entry at 0x40
    poke "$dir/config.bin" 64 '\001\110'        # 0x40: ID 1, next 0x48
    poke "$dir/config.bin" 72 '\003\000'        # 0x48: ID 3 (VPD), last
    head -c 8192 /dev/zero >"$dir/vpd.bin"
    poke "$dir/vpd.bin" 6478 '\064\022\170\126' # 0x194E: 1234, 0x1950: 5678
    head -c 524288 /dev/zero | tr '\000' '\377' >"$dir/flash.bin"
    poke "$dir/flash.bin" 0 '\125\252'
    poke "$dir/flash.bin" 26 '$DM$\002\001\003\000'
}

if [ -z "$hbaemu" ] || ! "$hbaemu" init --count "$count" >/dev/null 2>&1; then
    rm -rf "${root:?}"/*
    i=0
    while [ "$i" -lt "$count" ]; do
        make_adapter "$(printf 'adapter%02d' "$i")"
        i=$((i + 1))
    done
    echo "bench_list: $count adapters written by hand (no hbaemu)"
else
    echo "bench_list: $count adapters made by hbaemu init"
fi

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
