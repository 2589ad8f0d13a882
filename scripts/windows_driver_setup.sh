# shellcheck shell=bash
# Shared by run_windows.sh and check_windows_driver.sh (sourced, not run):
# builds the production Windows executable with the virtual adapter driver
# and installs one virtual adapter device per emulated adapter folder in the
# wine prefix the caller set up (WINEPREFIX).

# shellcheck source=scripts/wine.sh
. "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
# shellcheck source=scripts/windows_build.sh
. "$(dirname "${BASH_SOURCE[0]}")/windows_build.sh"

# quietly COMMAND...: runs COMMAND with its output shown (on standard error)
# only when it fails, so that a build leaves standard output to the utility.
quietly() {
    local output
    if ! output="$("$@" 2>&1)"; then
        printf '%s\n' "$output" >&2
        return 1
    fi
}

# windows_driver_build BUILD_DIR: hbabootcfg.exe, hbaemu_adapter.sys with its
# INF, and hbaemu_adapter_setup.exe, from the mingw-w64 cross build. Sets
# $windows_exe and $driver_dir for the caller.
windows_driver_build() {
    local dir="$1"
    [[ -f "$dir/build.ninja" ]] || windows_configure "$dir" x86_64
    quietly ninja -C "$dir" hbabootcfg hbaemu_adapter hbaemu_adapter_setup
    driver_dir="$dir/src/emulator/windows_driver"
    # shellcheck disable=SC2034  # used by the scripts that source this one
    windows_exe="$dir/src/app/hbabootcfg.exe"
}

# adapter_folders ROOT: the adapter folders under ROOT as the emulator
# enumerates them, one path a line: sub-folders holding flash.bin, in
# byte-wise order of their names.
adapter_folders() {
    local root="$1" entry
    [[ -d "$root" ]] || return 0
    find "$root" -mindepth 1 -maxdepth 1 -print0 2>/dev/null | LC_ALL=C sort -z |
        while IFS= read -r -d '' entry; do
            [[ -d "$entry" && -f "$entry/flash.bin" ]] && printf '%s\n' "$entry"
        done
    return 0
}

# windows_driver_install ROOT: replaces the prefix's virtual adapters with
# one per adapter folder of ROOT, in enumeration order.
windows_driver_install() {
    local root="$1" folder
    local folders=()
    while IFS= read -r folder; do
        folders+=("$(windows_path "$folder")")
    done < <(adapter_folders "$root")
    (cd "$driver_dir" && wine hbaemu_adapter_setup.exe install hbaemu_adapter.inf "${folders[@]}")
}

# windows_driver_trace [FILE]: the trace file of the runs to come, none
# without FILE (a Linux path).
windows_driver_trace() {
    local file=""
    [[ -n "${1:-}" ]] && file="$(windows_path "$(realpath -m "$1")")"
    wine "$driver_dir/hbaemu_adapter_setup.exe" trace "$file"
}
