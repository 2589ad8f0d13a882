#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang in build-fuzz/ and runs
# each for SECONDS (default 60), starting from the sample inputs kept in the tree,
# printing one line per target with its executions. A crash (a sanitizer
# report, an abort, a timeout or a leak) fails the script and leaves the
# input that caused it in build-fuzz/crashes/TARGET/, with the target's log.
#   scripts/fuzz.sh [SECONDS]
# What the runs find that is new is kept in build-fuzz/corpus/TARGET/ and
# taken up again by the next run; the seeds in the tree are never changed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
if [[ ! "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS]" >&2
    exit 2
fi
build="build-fuzz"
scripts/install_dependencies.sh --clang
# The compiler is chosen when the folder is first configured.
CC=clang CXX=clang++ scripts/configure.sh "$build" -DHBA_FUZZ=ON -DHBA_BUILD_TESTS=OFF
ninja -C "$build" fuzz_targets

# The targets make their emulated adapter and files under TMPDIR: in memory
# where /dev/shm is (several times faster than a disk for the targets that
# write a file per input), and fresh for each target, since a crashed run
# leaves them behind.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    scratch=$(mktemp -d /dev/shm/hba-fuzz.XXXXXX)
else
    scratch=$(mktemp -d "$PWD/$build/scratch.XXXXXX")
fi
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch/tmp"
failed=0
while read -r target; do
    corpus="$build/corpus/$target"
    crashes="$build/crashes/$target"
    log="$build/fuzz-$target.log"
    rm -rf "$TMPDIR"
    mkdir -p "$TMPDIR" "$corpus" "$crashes"
    # The targets' own messages (every refused input prints one) are closed
    # off; libFuzzer and the sanitizers still report to the log.
    if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        printf '%-24s %10s executions in %s s\n' "$target" "${executions:-?}" "$seconds"
    else
        cp "$log" "$crashes/"
        printf '%-24s FAILED, the input is in %s/ (log: %s)\n' "$target" "$crashes" "$log"
        grep -E '^(==[0-9]+==|SUMMARY|.*runtime error)' "$log" | head -n 5 || true
        failed=1
    fi
done <"$build/tests/fuzz/targets.txt"
exit "$failed"
