# Shared by the scripts that run wine in a prefix of their own (sourced, not
# run): end_wine_server PREFIX ends that prefix's server and removes its
# socket folder, which the server leaves behind in /tmp. The folder is named
# after the prefix folder's device and inode, under /tmp/.wine-UID upstream
# and under a /tmp/wine-XXXXXX folder of its own in Debian's build.
end_wine_server() {
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
