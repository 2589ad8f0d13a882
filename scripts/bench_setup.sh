# shellcheck shell=sh
# Shared by the benchmark scripts (sourced, not run): finds the built tools
# under BUILD_DIR and makes a temporary emulator root, removed on exit.
#   bench_build=BUILD_DIR bench_name=NAME; . scripts/bench_setup.sh
# sets $utility, $hbaemu and $root, and exports HBAEMU_DIR.
: "${bench_build:?set by the benchmark}" "${bench_name:?set by the benchmark}"
find_tool() {
    find "$bench_build" -name "$1" -type f -perm -u+x 2>/dev/null | head -n 1
}
utility=$(find_tool hbabootcfg)
hbaemu=$(find_tool hbaemu)
if [ -z "$utility" ] || [ -z "$hbaemu" ]; then
    echo "$bench_name: no hbabootcfg or hbaemu under $bench_build; build them first" >&2
    exit 1
fi

root=$(mktemp -d "${TMPDIR:-/tmp}/hbaemu-bench-XXXXXX")
trap 'rm -rf "$root"' EXIT INT TERM
export HBAEMU_DIR="$root"
unset HBAEMU_TRACE || true
