#!/usr/bin/python3
"""Checks what a Windows executable of the utility says about itself: the
version resource (the fields Explorer's Details tab and inventory agents
show) and the embedded application manifest. Prints the fields, as a
Windows tool would show them, and fails on anything missing or wrong.

    check_windows_resource.py EXE VERSION COPYRIGHT

Run with Debian's python3 and its python3-pefile package."""

import sys
import xml.etree.ElementTree as ElementTree

import pefile

# Windows 10 and Windows 11 share one supportedOS identifier.
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
RT_MANIFEST = 24
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    strings[key.decode()] = value.decode()
    return strings


def fixed_version(pe):
    fixed = pe.VS_FIXEDFILEINFO[0]
    return "%d.%d.%d.%d" % (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                            fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)


def manifest_text(pe):
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                return pe.get_data(data.OffsetToData, data.Size).decode("utf-8")
    return None


def check(exe, version, copyright_line):
    pe = pefile.PE(exe)
    problems = []
    if not hasattr(pe, "VS_FIXEDFILEINFO"):
        return ["no version resource"]
    strings = version_strings(pe)
    expected = {
        "FileVersion": version,
        "ProductVersion": version,
        "ProductName": "hbabootcfg",
        "OriginalFilename": "hbabootcfg.exe",
        "LegalCopyright": copyright_line,
    }
    for key, value in expected.items():
        if strings.get(key) != value:
            problems.append("%s is %r, not %r" % (key, strings.get(key), value))
    if not strings.get("FileDescription"):
        problems.append("no FileDescription")
    numeric = fixed_version(pe)
    if not numeric.startswith(version + "."):
        problems.append("the fixed file version %s is not %s" % (numeric, version))
    print("  File version (fixed)  %s" % numeric)
    for key in sorted(strings):
        print("  %-21s %s" % (key, strings[key]))

    text = manifest_text(pe)
    if text is None:
        return problems + ["no manifest (resource type 24)"]
    root = ElementTree.fromstring(text)
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    systems = [e.get("Id", "").lower() for e in root.iter(COMPATIBILITY + "supportedOS")]
    long_paths = [(e.text or "").strip().lower() for e in root.iter(WINDOWS_SETTINGS_2016 + "longPathAware")]
    print("  manifest              requestedExecutionLevel %s, supportedOS %s, longPathAware %s"
          % (",".join(map(str, levels)), ",".join(systems), ",".join(long_paths)))
    if levels != ["asInvoker"]:
        problems.append("requestedExecutionLevel is %s, not asInvoker" % levels)
    if WINDOWS_10_AND_11 not in systems:
        problems.append("Windows 10 and 11 are not among the supported systems")
    if long_paths != ["true"]:
        problems.append("the manifest does not declare longPathAware")
    return problems


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    exe = sys.argv[1]
    print("%s:" % exe)
    problems = check(*sys.argv[1:4])
    for problem in problems:
        print("FAIL: %s: %s" % (exe, problem))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
