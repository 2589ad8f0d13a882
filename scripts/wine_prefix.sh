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
# process: end it before removing the prefix.
. "$(dirname "${BASH_SOURCE[0]}")/wine_server.sh"
remove_temporaries() {
    end_wine_server "$WINEPREFIX"
    rm -rf "${temporaries[@]}"
}
trap remove_temporaries EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Starting wine the first time creates its prefix and chatters on stderr.
wine cmd /c exit >/dev/null 2>&1 || true
