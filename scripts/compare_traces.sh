#!/usr/bin/env bash
# Runs every command of two hbabootcfg builds against emulated adapters and
# compares what each did: standard output, standard error, exit status, the
# flash of every adapter, any backup file written, and the register traffic
# (HBAEMU_TRACE), request for request. For checking that a change meant to
# keep behaviour does keep it.
#
#   scripts/compare_traces.sh OLD_HBABOOTCFG NEW_HBABOOTCFG [HBAEMU]
#
# One pristine root from `hbaemu init` is made once; every case gets two fresh
# copies of it, one per build. A case's setup (a backup to restore from, a
# changed flash) runs with the old build in both copies, untraced, before the
# faults of the case are put in place; then the case's command runs traced.
# Prints one line per case and exits non-zero when any case differs. With
# KEEP=1 the work folder is left for inspection.
#
# A settings restore used to read the record a second time only to keep a
# copy for the save to put back; the copy now comes from its first read.
# Cases marked one-read-fewer accept exactly that: the new trace is the old
# one without one uninterrupted 111-word read of the record at 0x30000 (452
# requests), and everything else is identical.

# The setups are shell text run later, with $OLD and $ROMS set then.
# shellcheck disable=SC2016
set -euo pipefail

if [[ $# -lt 2 ]]; then
    echo "usage: scripts/compare_traces.sh OLD_HBABOOTCFG NEW_HBABOOTCFG [HBAEMU]" >&2
    exit 2
fi
old_bin=$(realpath "$1")
new_bin=$(realpath "$2")
hbaemu=$(realpath "${3:-$(dirname "$new_bin")/../emulator/hbaemu/hbaemu}")

work=$(mktemp -d)
if [[ "${KEEP:-0}" != 1 ]]; then
    trap 'rm -rf "$work"' EXIT
else
    echo "work folder: $work"
fi

HBAEMU_DIR="$work/pristine" "$hbaemu" init --count 2 >/dev/null
"$hbaemu" make-rom "$work/small.rom" --size 300 >/dev/null
"$hbaemu" make-rom "$work/64k.rom" --size 64K --version 4.0.1 >/dev/null
"$hbaemu" make-rom "$work/full.rom" --size 0x30000 --version 5.2.7 >/dev/null

failures=0

# run_side SIDE BIN FAULTS SETUP COMMAND...: one copy of the root, set up with
# the old build, the faults written, then COMMAND run traced with BIN.
run_side() {
    local side=$1 bin=$2 faults=$3 setup=$4
    shift 4
    local dir="$work/case/$side"
    mkdir -p "$dir"
    cp -a "$work/pristine" "$dir/root"
    (
        cd "$dir"
        export HBAEMU_DIR="$dir/root"
        if [[ -n "$setup" ]]; then
            OLD="$old_bin" ROMS="$work" bash -c "$setup" >/dev/null 2>&1
        fi
        if [[ -n "$faults" ]]; then
            printf '%b' "$faults" >"$dir/root/adapter00/faults"
        fi
        local status=0
        HBAEMU_TRACE="$dir/trace" "$bin" "$@" >"$dir/stdout" 2>"$dir/stderr" || status=$?
        echo "$status" >"$dir/status"
        touch "$dir/trace"
    )
}

# Whether the new trace is the old one less one 111-word read at 0x30000.
one_record_read_fewer() {
    local old=$1 new=$2
    local hunks
    hunks=$(diff "$old" "$new" | grep -v '^[<>-]' || true)
    [[ "$hunks" =~ ^([0-9]+),([0-9]+)d[0-9]+$ ]] || return 1
    local first=${BASH_REMATCH[1]} last=${BASH_REMATCH[2]}
    [[ $((last - first + 1)) -eq 452 ]] || return 1
    # grep -c, not grep -q: -q stops reading at the first match, the writer
    # then dies of SIGPIPE and pipefail fails the pipeline now and then.
    [[ $(diff "$old" "$new" | grep -c '^>') -eq 0 ]] || return 1
    # The removed block holds one fast-read command, for 0x30000 (diff may
    # shift the block's edges by a line among identical requests).
    local block
    block=$(sed -n "${first},${last}p" "$old")
    [[ $(grep -c 'regwrite 0x000006d8 ' <<<"$block") -eq 1 ]] || return 1
    [[ $(grep -c 'regwrite 0x000006d8 0x0000030b$' <<<"$block") -eq 1 ]]
}

# compare NAME FAULTS SETUP COMMAND...; NAME ending in "(one-read-fewer)"
# allows the one difference described above.
compare() {
    local name=$1 faults=$2 setup=$3
    shift 3
    rm -rf "$work/case"
    run_side old "$old_bin" "$faults" "$setup" "$@"
    run_side new "$new_bin" "$faults" "$setup" "$@"
    local differs=()
    local what
    for what in stdout stderr status; do
        cmp -s "$work/case/old/$what" "$work/case/new/$what" || differs+=("$what")
    done
    local verdict=same
    if ! cmp -s "$work/case/old/trace" "$work/case/new/trace"; then
        if [[ "$name" == *"(one-read-fewer)" ]] && one_record_read_fewer "$work/case/old/trace" "$work/case/new/trace"; then
            verdict=expected
        else
            differs+=(trace)
        fi
    fi
    local adapter
    for adapter in adapter00 adapter01; do
        cmp -s "$work/case/old/root/$adapter/flash.bin" "$work/case/new/root/$adapter/flash.bin" ||
            differs+=("$adapter/flash.bin")
    done
    if [[ -e "$work/case/old/written.bkp" || -e "$work/case/new/written.bkp" ]]; then
        cmp -s "$work/case/old/written.bkp" "$work/case/new/written.bkp" || differs+=("backup file")
    fi
    local requests
    requests=$(wc -l <"$work/case/old/trace")
    if [[ ${#differs[@]} -eq 0 ]]; then
        printf '%-8s %-44s status %s, %s requests\n' "$verdict" "$name" "$(cat "$work/case/old/status")" "$requests"
    else
        printf 'DIFFERS  %-44s %s\n' "$name" "${differs[*]}"
        failures=$((failures + 1))
        if [[ "${KEEP:-0}" == 1 ]]; then
            cp -a "$work/case" "$work/differs-${name//[^A-Za-z0-9]/_}"
        fi
    fi
}

# Setups, run in the case folder with the old build as $OLD.
backup='"$OLD" --backup 0 taken.bkp'
changed="$backup"' && "$OLD" --configure 0 vlanid=99 targetlun=3 && "$OLD" --update 0 "$ROMS/64k.rom"'
changed_settings="$backup"' && "$OLD" --configure 0 vlanid=99 targetlun=3'
changed_rom="$backup"' && "$OLD" --update 0 "$ROMS/small.rom"'

compare "list" "" "" --list
compare "display 0" "" "" --display 0
compare "display 1" "" "" --display 1
compare "display after rom erase" "" '"$OLD" --erase 0 rom --force' --display 0
compare "configure several" "" "" --configure 0 staticip=10.0.0.5 staticmask=255.255.255.0 vlanid=12 \
    initiatorname=iqn.2026-12.com.example:host1 targetportal=1@192.168.1.1:3261 chaptype=oneway
compare "configure refused" "" "" --configure 0 vlanid=12 vlanid=5000
compare "configure erased settings" "" '"$OLD" --erase 0 settings --force' --configure 0 vlanid=7
compare "update small" "" "" --update 0 "$work/small.rom"
compare "update 64 KiB" "" "" --update 0 "$work/64k.rom"
compare "update full 0x30000" "" "" --update 0 "$work/full.rom"
compare "erase rom" "" "" --erase 0 rom --force
compare "erase settings" "" "" --erase 0 settings --force
compare "backup" "" "" --backup 0 written.bkp
compare "restore rom unchanged" "" "$backup" --restore 0 taken.bkp rom --force
compare "restore settings unchanged" "" "$backup" --restore 0 taken.bkp settings --force
compare "restore all unchanged" "" "$backup" --restore 0 taken.bkp all --force
compare "restore rom changed" "" "$changed_rom" --restore 0 taken.bkp rom --force
compare "restore settings changed (one-read-fewer)" "" "$changed_settings" --restore 0 taken.bkp settings --force
compare "restore all changed (one-read-fewer)" "" "$changed" --restore 0 taken.bkp all --force

# Faulty adapters: the save's and the update's failure paths.
for n in 100 460 600 800 1100 1390; do
    compare "configure, fail-after $n" "fail-after $n\n" "" --configure 0 vlanid=12 targetlun=4
done
compare "configure, program-busy-polls 5" "program-busy-polls 5\n" "" --configure 0 vlanid=12
compare "configure, erase-busy-polls 5" "erase-busy-polls 5\n" "" --configure 0 vlanid=12
for n in 10 30000 70000 100000; do
    compare "update 64 KiB, fail-after $n" "fail-after $n\n" "" --update 0 "$work/64k.rom"
done
compare "update, program-busy-polls 5" "program-busy-polls 5\n" "" --update 0 "$work/64k.rom"
compare "update, erase-busy-polls 5" "erase-busy-polls 5\n" "" --update 0 "$work/64k.rom"
compare "backup, fail-after 20000" "fail-after 20000\n" "" --backup 0 written.bkp
compare "restore rom changed, fail-after 30000" "fail-after 30000\n" "$changed_rom" --restore 0 taken.bkp rom --force

echo "$failures case(s) differ"
[[ $failures -eq 0 ]]
