#!/usr/bin/env bash
# Runs the production Windows build under wine on the emulated adapters, the
# way it runs on a real machine: through SetupAPI and the kernel driver, here
# the virtual adapter driver serving the emulator's adapter folders.
#   scripts/run_windows.sh                 shows adapter 0's boot settings
#   scripts/run_windows.sh ARGS...         runs hbabootcfg.exe ARGS...
#   scripts/run_windows.sh --clean         removes the prepared wine prefix
# Builds what is missing, creates two adapters under the emulator root
# (HBAEMU_DIR, default ~/.hbaemu) when it has none, and keeps one wine prefix
# with the driver installed under build-windows/wine-prefix: the first call
# takes half a minute or more, later ones a few seconds. The devices are
# reinstalled when the emulator root, its adapter folders or the driver
# changed. HBAEMU_TRACE=FILE traces every request as with the native build.
# Paths in ARGS are Windows paths: Z:\ is the Linux root, and relative paths
# start from the current folder; they reach wine in UTF-8 whatever the
# caller's locale. Each call ends its wine server and removes the socket
# folder it kept in /tmp; --clean removes the prefix too.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
windows_build="$repo/build-windows"
export WINEPREFIX="$windows_build/wine-prefix"
# shellcheck source=scripts/windows_driver_setup.sh
. "$repo/scripts/windows_driver_setup.sh"

# One caller at a time prepares and uses the prefix: the rest of this
# script runs again under a lock that wine's own processes do not inherit
# (a wine server left behind must not hold it).
if [[ -z "${HBA_RUN_WINDOWS_LOCKED:-}" ]]; then
    mkdir -p "$windows_build"
    HBA_RUN_WINDOWS_LOCKED=1 exec flock -o "$windows_build/wine-prefix.lock" "$0" "$@"
fi
unset HBA_RUN_WINDOWS_LOCKED

if [[ "${1:-}" == "--clean" ]]; then
    wine_prefix_remove "$WINEPREFIX"
    exit 0
fi

"$repo/scripts/install_dependencies.sh" --windows >&2
native_build="$repo/build"
[[ -f "$native_build/build.ninja" ]] || quietly "$repo/scripts/configure.sh" "$native_build"
quietly ninja -C "$native_build" hbaemu
windows_driver_build "$windows_build"

root="$(realpath -m "${HBAEMU_DIR:-$HOME/.hbaemu}")"
if [[ -z "$(adapter_folders "$root")" ]]; then
    echo "Creating emulated adapters in $root" >&2
    HBAEMU_DIR="$root" "$native_build/src/emulator/hbaemu/hbaemu" init >/dev/null
fi

ready="$WINEPREFIX/hbaemu-ready"
if [[ ! -f "$ready" ]]; then
    echo "Preparing a wine prefix in $WINEPREFIX (once)" >&2
    wine_prefix_remove "$WINEPREFIX"
    wine_prefix_create
    : >"$ready"
fi

# What the installed devices stand for: the root, its adapter folders and
# the driver image.
devices_now="$(printf 'root %s\n' "$root"; adapter_folders "$root";
               cat "$driver_dir/hbaemu_adapter.sys" "$driver_dir/hbaemu_adapter.inf" | md5sum)"
devices_stamp="$WINEPREFIX/hbaemu-devices"
if [[ "$devices_now" != "$(cat "$devices_stamp" 2>/dev/null)" ]]; then
    rm -f "$devices_stamp"
    # The session about to start loads the installed driver image before the
    # installation below could replace it: put a rebuilt one in place first.
    installed_driver="$WINEPREFIX/drive_c/windows/system32/drivers/hbaemu_adapter.sys"
    [[ -f "$installed_driver" ]] && cp "$driver_dir/hbaemu_adapter.sys" "$installed_driver"
fi

# One wine session for the whole call (a server left by an interrupted call
# ended first), ended on the way out with its socket folder in /tmp.
wine_server_end "$WINEPREFIX"
wine_server_start
trap 'wine_server_end "$WINEPREFIX"' EXIT
if [[ ! -f "$devices_stamp" ]]; then
    echo "Installing the virtual adapter driver for the adapters in $root" >&2
    windows_driver_install "$root"
    printf '%s\n' "$devices_now" >"$devices_stamp"
fi

trace_now="${HBAEMU_TRACE:+$(realpath -m "$HBAEMU_TRACE")}"
trace_stamp="$WINEPREFIX/hbaemu-trace"
if [[ ! -f "$trace_stamp" || "$trace_now" != "$(cat "$trace_stamp")" ]]; then
    windows_driver_trace "$trace_now"
    printf '%s' "$trace_now" >"$trace_stamp"
fi

[[ $# -eq 0 ]] && set -- --display 0
status=0
wine "$windows_exe" "$@" || status=$?
exit "$status"
