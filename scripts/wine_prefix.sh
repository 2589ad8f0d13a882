# Shared by the scripts that run Windows builds under wine (sourced, not
# run): a wine prefix of this run's own in a temporary folder, created at
# once. On exit the prefix's server is ended and the prefix (about 700 MB)
# removed, with every folder the script added to the temporaries array.
# Sets and exports WINEPREFIX.
export WINEDEBUG=-all
# Wine maps Unix file names and arguments through the locale's character
# set; UTF-8 carries every name. Its ANSI code page stays 1252.
export LC_ALL=C.UTF-8
temporaries=("$(mktemp -d "${TMPDIR:-/tmp}/hba-wine-XXXXXX")")
export WINEPREFIX="${temporaries[0]}/prefix"

# The server keeps files in the prefix open and lingers after the last wine
# process: end it before removing the prefix. Its socket folder is named
# after the prefix folder's device and inode, under /tmp/.wine-UID upstream
# and under a /tmp/wine-XXXXXX folder of its own in Debian's build.
remove_temporaries() {
    if [[ -d "$WINEPREFIX" ]]; then
        local server_name server_dir
        server_name="server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")"
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
        for server_dir in "/tmp/.wine-$(id -u)/$server_name" /tmp/wine-*/"$server_name"; do
            [[ -d "$server_dir" ]] || continue
            rm -rf "$server_dir"
            rmdir "$(dirname "$server_dir")" 2>/dev/null || true
        done
    fi
    rm -rf "${temporaries[@]}"
}
trap remove_temporaries EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starting wine the first time creates its prefix and chatters on stderr.
wine cmd /c exit >/dev/null 2>&1 || true
