#!/usr/bin/env bash
# Checks the release archives scripts/package.sh left in dist/: each holds
# exactly its listed files, the text files have the right line ends, the
# Windows executable needs no DLL beyond Windows' own, the Linux programs run
# on emulated adapters, and the zipped executable runs under wine.
#   scripts/check_package.sh [DIST_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dist="$(cd "${1:-dist}" && pwd)"
version="$(sed -n 's/^project(hbabootcfg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[[ -n "$version" ]] || { echo "check_package: no project version in CMakeLists.txt" >&2; exit 1; }
zip_name="hbabootcfg-$version-windows-x64"
tgz_name="hbabootcfg-$version-linux-x86_64"

# A work folder with a wine prefix of its own, removed on exit.
# shellcheck source=scripts/wine.sh
. scripts/wine.sh
wine_temporary_prefix
work="$wine_work"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# expect_listing ARCHIVE FILES...: the archive holds exactly these files.
expect_listing() {
    local archive="$1"
    shift
    local expected actual
    expected="$(printf '%s\n' "$@" | sort)"
    actual="$(cmake -E tar tf "$archive" | grep -v '/$' | sort)"
    if [[ "$actual" != "$expected" ]]; then
        fail "$(basename "$archive") holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
    fi
}

# expect_line_ends FILE crlf|lf: every line ends in CR LF, or none has a CR.
expect_line_ends() {
    if [[ "$2" == crlf ]]; then
        if ! [[ -s "$1" ]] || ! awk '!/\r$/ { bad = 1 } END { exit bad }' "$1"; then
            fail "$1 has lines without CR LF"
        fi
    else
        ! grep -q $'\r' "$1" || fail "$1 has CR LF line ends"
    fi
}

for archive in "$dist/$zip_name.zip" "$dist/$tgz_name.tar.gz"; do
    [[ -f "$archive" ]] || { echo "check_package: no $archive; run scripts/package.sh" >&2; exit 1; }
done

echo "== $zip_name.zip"
expect_listing "$dist/$zip_name.zip" \
    "$zip_name/hbabootcfg.exe" "$zip_name/README.txt" "$zip_name/LICENSE.txt"
(cd "$work" && cmake -E tar xf "$dist/$zip_name.zip")
win="$work/$zip_name"
expect_line_ends "$win/README.txt" crlf
expect_line_ends "$win/LICENSE.txt" crlf
# Linked statically: no MinGW runtime DLL (libstdc++, libgcc, winpthread)
# may be needed beside the executable.
dlls="$(x86_64-w64-mingw32-objdump -p "$win/hbabootcfg.exe" | sed -n 's/^\s*DLL Name: //p')"
echo "imports: ${dlls//$'\n'/ }"
if grep -qiv -E '^(kernel32|msvcrt|setupapi|advapi32|user32|ntdll|api-ms-win-.*)\.dll$' <<<"$dlls"; then
    fail "hbabootcfg.exe needs a DLL Windows does not have"
fi
wine "$win/hbabootcfg.exe" --version >"$work/win.out" 2>"$work/win.err" && status=0 || status=$?
if [[ $status -ne 0 || -s "$work/win.out" || "$(tr -d '\r' <"$work/win.err")" != "version=$version" ]]; then
    fail "hbabootcfg.exe --version under wine: status $status, stderr $(od -c "$work/win.err" | head -2)"
fi
echo "under wine: hbabootcfg.exe --version: $(tr -d '\r' <"$work/win.err")"

echo "== $tgz_name.tar.gz"
expect_listing "$dist/$tgz_name.tar.gz" \
    "$tgz_name/bin/hbabootcfg" "$tgz_name/bin/hbaemu" \
    "$tgz_name/share/doc/hbabootcfg/README.md" "$tgz_name/share/doc/hbabootcfg/LICENSE"
(cd "$work" && cmake -E tar xf "$dist/$tgz_name.tar.gz")
lin="$work/$tgz_name"
expect_line_ends "$lin/share/doc/hbabootcfg/README.md" lf
expect_line_ends "$lin/share/doc/hbabootcfg/LICENSE" lf
export HBAEMU_DIR="$work/adapters"
unset HBAEMU_TRACE || true
"$lin/bin/hbaemu" init >/dev/null || fail "hbaemu init ended with $?"
adapters="$(find "$HBAEMU_DIR" -mindepth 2 -maxdepth 2 -name flash.bin | wc -l)"
"$lin/bin/hbabootcfg" --list >"$work/list.out" 2>&1 || fail "hbabootcfg --list ended with $?"
listed="$(grep -c '^Device: ' "$work/list.out" || true)"
if [[ "$adapters" -eq 0 || "$listed" -ne "$adapters" ]]; then
    fail "hbabootcfg --list shows $listed adapters, hbaemu init made $adapters"
fi
echo "hbaemu init made $adapters adapters; hbabootcfg --list shows $listed"
version_text="$("$lin/bin/hbabootcfg" --version 2>&1)" || fail "hbabootcfg --version ended with $?"
[[ "$version_text" == "version=$version" ]] || fail "hbabootcfg --version prints '$version_text'"

if [[ $failures -ne 0 ]]; then
    echo "package: $failures check(s) failed"
    exit 1
fi
echo "package: both archives hold what they should"
