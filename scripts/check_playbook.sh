#!/usr/bin/env bash
# Runs the Ansible example (examples/ansible) as an operator's engine runs it
# against a server, here against two emulated adapters on this machine
# (connection: local), with the emulator build of BUILD_DIR, and checks what
# each run did:
#   1. the first run backs every adapter up, applies the template and updates
#      adapter 0's Option ROM, and says changed;
#   2. the second run says changed=0 and writes nothing (the emulator's trace
#      holds no sector erase, the flash and the backups are as they were);
#   3. a run with --check --diff and a changed template reports the change
#      with its `setting: old -> new` line and writes nothing;
#   4. the fact the playbook gathers (hbabootcfg_list, kept in a fact cache)
#      holds every adapter's IDs and Option ROM version.
# Prints the recap lines of each run and one line per outcome; ends non-zero
# when an outcome does not hold. Installs ansible-core from Debian's packages
# when ansible-playbook is missing. With KEEP=1 the work folder (the runs'
# logs, traces and backups) is left for inspection.
#
#   scripts/check_playbook.sh BUILD_DIR
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: scripts/check_playbook.sh BUILD_DIR" >&2
    exit 2
fi
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
bin="$build/src/app/hbabootcfg"
hbaemu="$build/src/emulator/hbaemu/hbaemu"
if [[ ! -x "$bin" || ! -x "$hbaemu" ]]; then
    echo "check_playbook: $build holds no built hbabootcfg and hbaemu" >&2
    exit 2
fi
command -v ansible-playbook >/dev/null || "$repo/scripts/install_dependencies.sh" --ansible

work=$(mktemp -d)
if [[ "${KEEP:-0}" != 1 ]]; then
    trap 'rm -rf "$work"' EXIT
else
    echo "work folder: $work"
fi

# Two adapters; an Option ROM image for adapter 0 of a version it does not
# hold; a copy of the adapters as they were, to check the backups against.
export HBAEMU_DIR="$work/emu"
"$hbaemu" init --count 2 >/dev/null
# hbaemu list: " 0  adapter00        1abc:0b10  Option ROM 2.5.12"
rom_versions() {
    "$hbaemu" list | awk '$3 ~ /^[0-9a-f]+:[0-9a-f]+$/ { print $NF }'
}
mapfile -t ids < <("$hbaemu" list | awk '$3 ~ /^[0-9a-f]+:[0-9a-f]+$/ { print $3 }')
mapfile -t versions < <(rom_versions)
new_version=9.8.7
"$hbaemu" make-rom "$work/adapter0.rom" --ids "${ids[0]}" --version "$new_version" >/dev/null
cp -a "$work/emu" "$work/before"

template="$repo/examples/ansible/boot-template.txt"
initiatorname=iqn.2026-12.com.example:ci
staticips=(10.0.4.42 10.0.4.43)
cat >"$work/inventory.yml" <<EOF
hba_servers:
  hosts:
    localhost:
      ansible_connection: local
      ansible_python_interpreter: "{{ ansible_playbook_python }}"
      hba_bin: "$bin"
      hba_environment:
        HBAEMU_DIR: "$work/emu"
        HBAEMU_TRACE: "$work/trace"
      hba_backup_dir: "$work/backups"
      initiatorname: "$initiatorname"
      staticip: "${staticips[0]}"
      hba_adapters:
        - index: 0
          rom_image: "$work/adapter0.rom"
        - index: 1
          settings:
            staticip: "${staticips[1]}"
EOF

# Ansible reads no configuration of this machine's; facts that the play
# marks cacheable are kept as JSON, one file per host.
: >"$work/ansible.cfg"
export ANSIBLE_CONFIG="$work/ansible.cfg"
export ANSIBLE_HOME="$work/ansible"
export ANSIBLE_LOCAL_TEMP="$work/ansible/tmp"
export ANSIBLE_REMOTE_TEMP="$work/ansible/remote"
export ANSIBLE_CACHE_PLUGIN=jsonfile
export ANSIBLE_CACHE_PLUGIN_CONNECTION="$work/facts"
export ANSIBLE_NOCOLOR=1
export ANSIBLE_RETRY_FILES_ENABLED=0
export ANSIBLE_PIPELINING=1

failures=0

# expect WHAT COMMAND...: one outcome, checked.
expect() {
    local what=$1
    shift
    if "$@"; then
        echo "  ok    $what"
    else
        echo "  FAIL  $what"
        failures=$((failures + 1))
    fi
}

# play NAME ARGS...: one run of the playbook with a fresh trace; prints its
# recap lines (all of its output when it fails).
play() {
    local name=$1
    shift
    rm -f "$work/trace"
    local status=0
    echo "== $name: ansible-playbook site.yml $*"
    ansible-playbook -i "$work/inventory.yml" "$repo/examples/ansible/site.yml" "$@" \
        >"$work/$name.log" 2>&1 || status=$?
    [[ $status -eq 0 ]] || cat "$work/$name.log"
    sed -n '/^PLAY RECAP/,/^$/p' "$work/$name.log" | sed '/^$/d'
    expect "ansible-playbook ends 0" test "$status" -eq 0
}

# recap NAME FIELD: the number after FIELD= in the run's recap line.
recap() {
    sed -n "/^PLAY RECAP/,\$s/^localhost .* $2=\([0-9]*\).*/\1/p" "$work/$1.log"
}

# Sector erases in the run's trace: the flash command 0xD8 goes out as the
# data register's low byte, with the address in the three bytes above it.
erases() {
    [[ -e "$work/trace" ]] || { echo 0; return; }
    grep -c 'regwrite 0x000006d8 0x......d8$' "$work/trace" || true
}

backups() {
    find "$work/backups" -name "localhost-adapter$1-*.bkp" 2>/dev/null | wc -l
}

# Every setting=value line of the template (staticip aside, which the host
# gives) is in the adapter's export, and so are the host's own values.
settings_applied() {
    local index=$1 staticip=$2 exported line
    exported=$("$bin" --export "$index")
    grep -qxF "initiatorname=$initiatorname" <<<"$exported" || return 1
    grep -qxF "staticip=$staticip" <<<"$exported" || return 1
    while IFS= read -r line; do
        [[ -z "$line" || "$line" == \#* || "$line" == staticip=* ]] && continue
        grep -qxF "$line" <<<"$exported" || { echo "  not applied: $line"; return 1; }
    done <"$template"
}

# The adapter's backup compared with the copy of the adapters made before
# the first run.
backup_holds_before() {
    HBAEMU_DIR="$work/before" "$bin" --verify "$1" "$(find "$work/backups" -name "localhost-adapter$1-*.bkp")" \
        >/dev/null
}

flash_unchanged_since() {
    cmp -s "$work/$1/adapter00/flash.bin" "$work/emu/adapter00/flash.bin" &&
        cmp -s "$work/$1/adapter01/flash.bin" "$work/emu/adapter01/flash.bin"
}

# The fact hbabootcfg_list, as the fact cache keeps it, against hbaemu list.
fact_holds_adapters() {
    python3 - "$work/facts/localhost" "${ids[0]}" "$new_version" "${ids[1]}" "${versions[1]}" <<'EOF'
import json, sys
facts = json.load(open(sys.argv[1]))
adapters = facts["hbabootcfg_list"]["adapters"]
want = [(0, sys.argv[2], sys.argv[3]), (1, sys.argv[4], sys.argv[5])]
got = [(a["index"], a["vendor_id"] + ":" + a["device_id"], a["option_rom"]["version"]) for a in adapters]
if got != want:
    print("  fact holds", got, "instead of", want)
    sys.exit(1)
EOF
}

echo "== the example inventory"
expect "ansible-inventory reads examples/ansible/inventory.yml" \
    ansible-inventory -i "$repo/examples/ansible/inventory.yml" --list --output "$work/example-inventory.json"

play apply
expect "it says changed" test "$(recap apply changed)" -gt 0
for i in 0 1; do
    expect "adapter $i backed up once" test "$(backups "$i")" -eq 1
    expect "adapter $i's backup holds the adapter as it was" backup_holds_before "$i"
    expect "adapter $i holds the template and its own address" settings_applied "$i" "${staticips[$i]}"
done
expect "adapter 0's Option ROM updated to $new_version, adapter 1's kept" \
    test "$(rom_versions | paste -sd ' ')" = "$new_version ${versions[1]}"
expect "the flash was erased (the trace sees it)" test "$(erases)" -gt 0
expect "the fact holds the adapters' IDs and versions" fact_holds_adapters
cp -a "$work/emu" "$work/applied"

play again
expect "it says changed=0" test "$(recap again changed)" -eq 0
expect "the trace holds both adapters' reads" \
    test "$(grep -c '^adapter00 ' "$work/trace")" -gt 0 -a "$(grep -c '^adapter01 ' "$work/trace")" -gt 0
expect "no sector erased" test "$(erases)" -eq 0
expect "the flash unchanged" flash_unchanged_since applied
expect "no backup taken" test "$(backups 0)" -eq 1 -a "$(backups 1)" -eq 1

# The template with one setting changed: its VLAN ID one more.
vlanid=$(sed -n 's/^vlanid=//p' "$template")
sed "s/^vlanid=.*/vlanid=$((vlanid + 1))/" "$template" >"$work/changed-template.txt"
play check --check --diff -e "hba_settings_template=$work/changed-template.txt"
expect "it says changed" test "$(recap check changed)" -gt 0
expect "it shows 'vlanid: $vlanid -> $((vlanid + 1))' for each adapter" \
    test "$(grep -c "\"vlanid: $vlanid -> $((vlanid + 1))\"" "$work/check.log")" -eq 2
expect "it would back both adapters up first" \
    test "$(grep -c '"would back adapter [01] up to ' "$work/check.log")" -eq 2
expect "the trace holds both adapters' reads" \
    test "$(grep -c '^adapter00 ' "$work/trace")" -gt 0 -a "$(grep -c '^adapter01 ' "$work/trace")" -gt 0
expect "no sector erased" test "$(erases)" -eq 0
expect "the flash unchanged" flash_unchanged_since applied
expect "no backup taken" test "$(backups 0)" -eq 1 -a "$(backups 1)" -eq 1

echo "check_playbook: $SECONDS s, $failures outcome(s) do not hold"
[[ $failures -eq 0 ]]
