#!/usr/bin/env bash
# Installs what the native build needs and configures BUILD_DIR with the
# options run.sh and test.sh share (RelWithDebInfo, warnings as errors), so
# that either reuses what the other built. Extra cmake options come last and
# so win; they belong in a build folder of their own (CI's, coverage's).
#   scripts/configure.sh BUILD_DIR [cmake options...]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?build dir}"
shift
"$repo/scripts/install_dependencies.sh"
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHBA_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
