#!/usr/bin/env bash
# How long the Windows transport's 1 ms and 10 ms sleeps last under wine,
# beside plain Sleep. Cross-builds the benchmark with the production Windows
# build and runs it in a wine prefix of its own, removed afterwards.
#   scripts/bench_sleep.sh [WINDOWS_BUILD_DIR] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
windows="${1:-build-windows}"
rounds="${2:-100}"
scripts/install_dependencies.sh --windows
# shellcheck source=scripts/windows_build.sh
. scripts/windows_build.sh
windows_configure "$windows" x86_64
ninja -C "$windows" sleep_bench >/dev/null

# shellcheck source=scripts/wine.sh
. scripts/wine.sh
wine_temporary_prefix
wine "$windows/bench/sleep_bench.exe" "$rounds" | sed 's/\r$//'
