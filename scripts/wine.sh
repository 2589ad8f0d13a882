# shellcheck shell=bash
# Shared by every script that runs Windows programs under wine (sourced, not
# run): wine's environment, prefixes with their server and the socket folder
# it leaves in /tmp, Windows paths, and the compare of a Windows build under
# wine with the native build.

# Wine maps Unix file names and arguments through the locale's character
# set: UTF-8 carries every name, whatever locale the caller has (under
# LC_ALL=C a Cyrillic path would reach the program mangled). Its ANSI code
# page stays 1252.
export LC_ALL=C.UTF-8
export WINEDEBUG="${WINEDEBUG:--all}"

# windows_path PATH: the Windows path of a Linux path (wine's drive Z: is the
# root; a relative path starts from the current folder).
windows_path() {
    local path="$1"
    [[ "$path" == /* ]] || path="$PWD/$path"
    printf 'Z:%s' "${path//\//\\}"
}

# wine_server_end PREFIX: ends that prefix's server, which keeps files in the
# prefix open and lingers after the last wine process, and removes the socket
# folder the server leaves in /tmp. The folder is named after the prefix
# folder's device and inode, under /tmp/.wine-UID upstream and under a
# /tmp/wine-XXXXXX folder of its own in Debian's build.
wine_server_end() {
    local prefix="$1" server_name server_dir
    [[ -d "$prefix" ]] || return 0
    server_name="server-$(stat -c %D "$prefix")-$(printf %x "$(stat -c %i "$prefix")")"
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
    for server_dir in "/tmp/.wine-$(id -u)/$server_name" /tmp/wine-*/"$server_name"; do
        [[ -d "$server_dir" ]] || continue
        rm -rf "$server_dir"
        rmdir "$(dirname "$server_dir")" 2>/dev/null || true
    done
}

# wine_server_start: a server for $WINEPREFIX that stays until
# wine_server_end: wine would end it between two commands, and starting it
# again (with a driver) costs seconds each time.
wine_server_start() {
    wineserver -p
}

# wine_prefix_create: creates $WINEPREFIX, complete, with wine's own services
# ended: a persistent server started before that would run a second
# services.exe, and installing a driver service would fail.
wine_prefix_create() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1
    wineserver -w
}

# wine_prefix_remove PREFIX: ends its server and removes it (about 700 MB).
wine_prefix_remove() {
    wine_server_end "$1"
    rm -rf "$1"
}

# wine_temporary_prefix: a work folder of this run's own, $wine_work, and a
# wine prefix with its server started. Sets and exports WINEPREFIX. On exit
# (an interrupt included) the server is ended and the work folder removed.
# The prefix is a new one inside $wine_work, removed with it; or, when
# HBA_WINE_PREFIX names one, that prefix, shared by the scripts of one run
# (CI's Windows stages) so that it is made once: the first script makes it,
# the others find it ready, and it is kept on exit. Whoever set
# HBA_WINE_PREFIX removes it (wine_prefix_remove).
wine_temporary_prefix() {
    wine_work="$(mktemp -d "${TMPDIR:-/tmp}/hba-wine-XXXXXX")"
    if [[ -n "${HBA_WINE_PREFIX:-}" ]]; then
        export WINEPREFIX="$HBA_WINE_PREFIX"
        trap 'wine_server_end "$WINEPREFIX"; rm -rf "$wine_work"' EXIT
    else
        export WINEPREFIX="$wine_work/prefix"
        trap 'wine_prefix_remove "$WINEPREFIX"; rm -rf "$wine_work"' EXIT
    fi
    trap 'exit 130' INT
    trap 'exit 143' TERM
    # Marked once complete: a shared prefix whose making was cut short is
    # made again (wineboot completes an existing prefix).
    if [[ ! -f "$WINEPREFIX/hba-prefix-ready" ]]; then
        wine_prefix_create
        : >"$WINEPREFIX/hba-prefix-ready"
    fi
    wine_server_start
}

# The compare of a Windows build under wine with the native build. Set:
#   compare_native, compare_windows   the native hbabootcfg, hbabootcfg.exe
#   compare_native_root               HBAEMU_DIR of the native runs
#   compare_windows_root              the Windows build's emulator root, a
#       Linux path (it gets its Windows path as HBAEMU_DIR), or empty for
#       none; when set, every adapter folder's flash.bin and vpd.bin must be
#       the same in both roots after each run
#   compare_native_trace              HBAEMU_TRACE of the native runs, or empty
#   compare_label                     how the Windows runs are named
# $compare_checks counts the checks, $compare_failures the failed ones.
compare_native="" compare_windows="" compare_native_root="" compare_windows_root=""
compare_native_trace="" compare_label="under wine"
compare_checks=0
compare_failures=0
compare_passing=0

# compare_check: a check begins; compare_fail MESSAGE: it failed.
compare_check() {
    compare_checks=$((compare_checks + 1))
    compare_passing=1
}
compare_fail() {
    echo "FAIL: $*"
    [[ $compare_passing -eq 0 ]] || compare_failures=$((compare_failures + 1))
    compare_passing=0
}

# compare_roots WHEN: the adapter folders of the two roots hold the same
# flash and VPD bytes.
compare_roots() {
    local folder file
    for folder in "$compare_native_root"/*/; do
        folder="${folder%/}"
        [[ -f "$folder/flash.bin" ]] || continue
        for file in flash.bin vpd.bin; do
            cmp -s "$folder/$file" "$compare_windows_root/${folder##*/}/$file" ||
                compare_fail "$1 leaves ${folder##*/}/$file different"
        done
    done
}

# wine_compare ARGS...: one run of each build with the same arguments, in
# $wine_work; the output (CR LF aside), the status and the emulated adapters
# must be the same. An argument file:NAME names $wine_work/NAME, one both
# builds use; own:NAME names a file of each build's own, $wine_work/native/NAME
# and $wine_work/windows/NAME; @file:NAME is file:NAME as a settings file
# argument. The Windows build gets their Windows paths.
wine_compare() {
    local native_args=() windows_args=() arg ns ws stream
    for arg in "$@"; do
        case "$arg" in
            file:*)
                native_args+=("$wine_work/${arg#file:}")
                windows_args+=("$(windows_path "$wine_work/${arg#file:}")")
                ;;
            @file:*)
                native_args+=("@$wine_work/${arg#@file:}")
                windows_args+=("@$(windows_path "$wine_work/${arg#@file:}")")
                ;;
            own:*)
                native_args+=("$wine_work/native/${arg#own:}")
                windows_args+=("$(windows_path "$wine_work/windows/${arg#own:}")")
                ;;
            *)
                native_args+=("$arg")
                windows_args+=("$arg")
                ;;
        esac
    done
    local windows_dir=""
    [[ -n "$compare_windows_root" ]] && windows_dir="$(windows_path "$compare_windows_root")"
    local native_env=(HBAEMU_DIR="$compare_native_root")
    if [[ -n "$compare_native_trace" ]]; then
        native_env+=(HBAEMU_TRACE="$compare_native_trace")
    fi
    local out="$wine_work/compare"
    env -u HBAEMU_TRACE "${native_env[@]}" "$compare_native" "${native_args[@]}" \
        >"$out.native.out" 2>"$out.native.err" && ns=0 || ns=$?
    env -u HBAEMU_TRACE HBAEMU_DIR="$windows_dir" wine "$compare_windows" "${windows_args[@]}" \
        >"$out.windows.out" 2>"$out.windows.err" && ws=0 || ws=$?
    compare_check
    for stream in out err; do
        sed 's/\r$//' "$out.windows.$stream" >"$out.windows.$stream.lf"
        if ! cmp -s "$out.native.$stream" "$out.windows.$stream.lf"; then
            compare_fail "hbabootcfg $* differs on standard $stream"
            diff -a "$out.native.$stream" "$out.windows.$stream.lf" | head -20 || true
        fi
    done
    [[ "$ns" == "$ws" ]] || compare_fail "hbabootcfg $* ends with $ws $compare_label, $ns natively"
    [[ -z "$compare_windows_root" ]] || compare_roots "hbabootcfg $*"
    echo "checked $compare_label: hbabootcfg $* (status $ws)"
}

# compare_summary NAME: the closing line; fails when a check failed.
compare_summary() {
    echo "$1: $((compare_checks - compare_failures)) passed, $compare_failures failed"
    [[ $compare_failures -eq 0 ]]
}
