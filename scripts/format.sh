#!/usr/bin/env bash
# Formats the C++ sources under src/ and tests/ with clang-format and the
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

unformatted=()
while IFS= read -r -d '' file; do
    if ! "$clang_format" --style=file "$file" | cmp -s "$file" -; then
        unformatted+=("$file")
    fi
done < <(find src tests \( -name '*.cpp' -o -name '*.h' \) -type f -print0 | sort -z)

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
