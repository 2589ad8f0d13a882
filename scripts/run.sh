#!/usr/bin/env bash
# Builds the utility and runs it on emulated adapters, creating two of them
# under the emulator root (HBAEMU_DIR, default ~/.hbaemu) the first time.
#   scripts/run.sh                 shows adapter 0's boot settings
#   scripts/run.sh ARGS...         runs hbabootcfg ARGS...
# It builds in build/ as scripts/test.sh does, with the same options.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build"
"$repo/scripts/configure.sh" "$build"
ninja -C "$build" hbabootcfg hbaemu >/dev/null

root="${HBAEMU_DIR:-$HOME/.hbaemu}"
if ! compgen -G "$root/*/flash.bin" >/dev/null; then
    echo "Creating emulated adapters in $root"
    "$build/src/emulator/hbaemu/hbaemu" init
fi

[[ $# -eq 0 ]] && set -- --display 0
exec "$build/src/app/hbabootcfg" "$@"
