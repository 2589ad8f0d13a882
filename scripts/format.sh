#!/usr/bin/env bash
# Formats the C++ sources under src/, tests/ and bench/ with clang-format and the
# repository's .clang-format. Other clang-format versions than Debian 12's
# (14) may lay out a few constructs differently.
#   scripts/format.sh           rewrites the files that need it, in place
#   scripts/format.sh --check   changes nothing: lists the files that need
#                               formatting and fails if there is any
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
case "${1:-}" in
    "") ;;
    --check) check=1 ;;
    *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac
clang_format="${CLANG_FORMAT:-clang-format}"

# One clang-format for all files: a dry run names each file it would change
# in its warnings ("FILE:LINE:COLUMN: warning: ...").
files=()
mapfile -d '' files < <(find src tests bench \( -name '*.cpp' -o -name '*.h' \) -type f -print0 | sort -z)
if ! report="$("$clang_format" --style=file --dry-run "${files[@]}" 2>&1)"; then
    printf '%s\n' "$report" >&2
    echo "format: $clang_format failed" >&2
    exit 1
fi
unformatted=()
mapfile -t unformatted < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: warning: .*/\1/p' <<<"$report" | uniq)

if [[ ${#unformatted[@]} -eq 0 ]]; then
    echo "format: every file is formatted"
    exit 0
fi
if [[ $check -eq 1 ]]; then
    printf 'needs formatting: %s\n' "${unformatted[@]}"
    echo "format: ${#unformatted[@]} file(s) need formatting; run scripts/format.sh" >&2
    exit 1
fi
"$clang_format" --style=file -i "${unformatted[@]}"
echo "format: rewrote ${#unformatted[@]} file(s)"
