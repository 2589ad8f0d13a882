#!/usr/bin/env bash
# Line coverage of src/, one line per folder, from the whole test suite run
# in a build folder of its own (Debug, instrumented with --coverage). Take it
# before and after a change: a folder whose coverage falls lost tests.
#   scripts/coverage.sh [BUILD_DIR]     (default build-coverage)
# The full report per file is left in BUILD_DIR/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-coverage}"
scripts/install_dependencies.sh --coverage
scripts/configure.sh "$build" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage
ninja -C "$build"
# Counters add up over runs: start from none.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -j2 --output-on-failure >"$build/ctest.log" || {
    tail -n 40 "$build/ctest.log"
    echo "coverage: the suite failed; see $build/ctest.log" >&2
    exit 1
}
grep "tests passed" "$build/ctest.log"

# Searched in the build folder alone: a wine prefix under build-windows maps
# Z: to / and would lead gcovr through the whole file system.
gcovr -r . --object-directory "$build" --exclude-directories "$build/CMakeFiles" --filter 'src/' -j 2 \
    --txt "$build/coverage.txt" --csv "$build/coverage.csv" "$build"
# The CSV has a line per file: filename,line_total,line_covered,...; the
# last line sums them all.
awk -F, 'NR > 1 {
        folder = $1
        sub(/\/[^\/]*$/, "", folder)
        print folder, $2, $3
        print "~all", $2, $3
    }' "$build/coverage.csv" | LC_ALL=C sort |
    awk '$1 != folder { if (folder != "") report(); folder = $1; total = 0; covered = 0 }
        { total += $2; covered += $3 }
        END { report() }
        function report() {
            printf "%-26s %5.1f%%  (%d of %d lines)\n", folder == "~all" ? "src, all" : folder,
                total ? 100 * covered / total : 100, covered, total
        }'
