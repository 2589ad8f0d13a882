#!/usr/bin/env bash
# Cross-compiles the Windows build with mingw-w64 and runs it under wine: with
# no adapter driver installed it must print the same bytes as the native
# build (apart from CR LF line ends) and end with the same status. Then the
# Windows build with the emulator transport must match the native build on
# emulated adapters. The 32-bit Windows build is compiled and linked only:
# this machine runs 64-bit wine alone. Both carry the version resource and
# the manifest.
#   scripts/check_windows_build.sh NATIVE_BUILD_DIR [WINDOWS_BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
native="${1:?native build dir}"
windows="${2:-build-windows}"
scripts/install_dependencies.sh --windows
# shellcheck source=scripts/windows_build.sh
. scripts/windows_build.sh
windows_configure "$windows" x86_64
ninja -C "$windows" hbabootcfg

# The record sizes SetupAPI checks differ between 32 and 64 bits; the
# transport pins them per architecture at compile time.
windows32="${windows}-i686"
windows_configure "$windows32" i686
ninja -C "$windows32" hbabootcfg
# Captured first: grep -q could stop reading before objdump is done, and the
# SIGPIPE would fail the pipeline under pipefail.
header=$(i686-w64-mingw32-objdump -f "$windows32/src/app/hbabootcfg.exe")
if ! grep -q 'file format pei-i386' <<<"$header"; then
    echo "FAIL: $windows32/src/app/hbabootcfg.exe is no 32-bit Windows executable"
    exit 1
fi
echo "built for 32-bit Windows: $windows32/src/app/hbabootcfg.exe"

# What both executables say about themselves: the version resource with the
# utility's version and LICENSE's copyright line, and the manifest. Debian's
# python3, which has python3-pefile, whatever python3 comes first in PATH.
version=$("$native/src/app/hbabootcfg" --version 2>&1 | sed -n 's/^version=//p')
copyright=$(grep -m 1 '^Copyright ' LICENSE)
for exe in "$windows/src/app/hbabootcfg.exe" "$windows32/src/app/hbabootcfg.exe"; do
    /usr/bin/python3 scripts/check_windows_resource.py "$exe" "$version" "$copyright"
done

# The same sources built for Windows with the emulator behind the transport,
# for the second half below.
emulated="${windows}-emulator"
windows_configure "$emulated" x86_64 -DHBA_TRANSPORT=emulator
ninja -C "$emulated" hbabootcfg hbaemu

# shellcheck source=scripts/wine.sh
. scripts/wine.sh
wine_temporary_prefix
work="$wine_work"
mkdir "$work/empty-root"

# With no adapter driver installed, the production build finds no adapter.
compare_native="$native/src/app/hbabootcfg"
compare_windows="$windows/src/app/hbabootcfg.exe"
compare_native_root="$work/empty-root"
wine_compare
wine_compare --version
wine_compare -v
wine_compare --list
wine_compare --list --json
wine_compare --help
wine_compare --display 0
wine_compare --display 0 --json
wine_compare --erase 3 rom -f

# The same sources built for Windows with the emulator behind the transport:
# on adapters that each build's hbaemu made, both builds must say the same
# and leave the same flash.
compare_windows="$emulated/src/app/hbabootcfg.exe"
compare_native_root="$work/native-root"
compare_windows_root="$work/windows-root"
HBAEMU_DIR="$compare_native_root" "$native/src/emulator/hbaemu/hbaemu" init --count 3 >/dev/null
HBAEMU_DIR="$(windows_path "$compare_windows_root")" wine "$emulated/src/emulator/hbaemu/hbaemu.exe" init --count 3 >/dev/null
compare_check
compare_roots "hbaemu init --count 3"
echo "checked under wine: hbaemu init --count 3 makes the same adapters in both builds"
wine_compare --list
wine_compare --display 2
wine_compare --configure 1 vlanid=7 staticip=10.0.0.5
wine_compare --configure 1 vlanid=4095
wine_compare --display 1
wine_compare --erase 0 settings --force
wine_compare --display 0
wine_compare --display 7
# The JSON forms: the lines caught while they work reach standard error in
# the same order, and the document alone reaches standard output.
wine_compare --list --json
wine_compare --display 2 --json
wine_compare --display 7 --json
# An adapter that refuses the open with access denied, as every adapter does
# for a run without administrator rights: both builds give the reason.
for root in "$compare_native_root" "$compare_windows_root"; do
    printf 'open-error 5\n' >"$root/adapter01/faults"
done
wine_compare --display 1
rm "$compare_native_root/adapter01/faults" "$compare_windows_root/adapter01/faults"

# Image paths outside the ANSI code page (wine's is 1252: it holds "ë" but
# no Cyrillic) reach the Windows build as typed, and the image is written.
third=0
for folder in "Зоя" "Chloë Zoë" "ünïcødé ✓"; do
    third=$((third + 1))
    mkdir -p "$work/$folder"
    "$native/src/emulator/hbaemu/hbaemu" make-rom "$work/$folder/rom.bin" --size 700 --version "3.1.$third" --ids 1abe:0b12 >/dev/null
    wine_compare --update 2 "file:$folder/rom.bin"
done
wine_compare --list
wine_compare --update 2 "file:Зоя/missing.bin"

# Backup and restore: each build writes its own backup of the same adapter
# under a name outside the ANSI code page; the two files must be identical,
# and restoring them must leave identical flash.
mkdir -p "$work/native/Зоя" "$work/windows/Зоя"
wine_compare --backup 2 "own:Зоя/backup.bin"
compare_check
cmp -s "$work/native/Зоя/backup.bin" "$work/windows/Зоя/backup.bin" ||
    compare_fail "the two builds' backups of adapter02 differ"
wine_compare --backup 2 "own:Зоя/backup.bin"
wine_compare --configure 2 vlanid=99
wine_compare --restore 2 "own:Зоя/backup.bin" all --force
wine_compare --restore 1 "own:Зоя/backup.bin" settings --force

# A settings file named outside the ANSI code page, with CR LF line ends,
# and the export that made it.
wine_compare --export 2
compare_check
HBAEMU_DIR="$compare_native_root" "$compare_native" --export 2 >"$work/Зоя/template.txt" ||
    compare_fail "adapter02's settings could not all be exported"
printf '# from adapter 2\r\nvlanid=33\r\n' >>"$work/Зоя/template.txt"
wine_compare --configure 1 "@file:Зоя/template.txt" targetlun=4
wine_compare --export 1

compare_summary windows
echo "windows build matches the native build"
