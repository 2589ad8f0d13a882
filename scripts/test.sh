#!/usr/bin/env bash
# Builds everything and runs the whole test suite.
#   scripts/test.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install_dependencies.sh
build="${1:-build}"
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
ninja -C "$build"
ctest --test-dir "$build" --output-on-failure -j2
