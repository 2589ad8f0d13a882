#!/usr/bin/env bash
# Builds everything, with warnings as errors, and runs the whole test suite.
#   scripts/test.sh                     in build/, as scripts/run.sh builds
#                                       it: either reuses what the other built
#   scripts/test.sh BUILD_DIR [cmake options...]
#                                       in a build folder of its own, e.g.
#                                       build-release -DCMAKE_BUILD_TYPE=Release
# The extra options come last and so win. They are refused for build/, whose
# options run.sh and test.sh share (scripts/configure.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
shift || true
if [[ $# -gt 0 && "$(realpath -m "$build")" == "$(realpath -m build)" ]]; then
    echo "test.sh: build/ is shared with run.sh; give other options a build folder of their own" >&2
    exit 2
fi
scripts/configure.sh "$build" "$@"
ninja -C "$build"
ctest --test-dir "$build" --output-on-failure -j2
