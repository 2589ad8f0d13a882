#!/usr/bin/env bash
# Builds everything, with warnings as errors, and runs the whole test suite.
#   scripts/test.sh [BUILD_DIR] [extra cmake options...]
# The extra options come last and so win, e.g. -DCMAKE_BUILD_TYPE=Release.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_dependencies.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHBA_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
ninja -C "$build"
ctest --test-dir "$build" --output-on-failure -j2
