#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks a built roviro2.dll without running it.

The export table must hold exactly the 79 PT_ names of src/lib/roviro2.def at
their ordinals (base 1, 83 slots, the four gaps empty), the DLL must import
only system DLLs, and on 32-bit Windows the import library must name every
function with the size of its __stdcall arguments: 4 bytes for each argument
that the module definition counts, which is also the number the public header
declares. The version resource must give the project's version.

usage: check_dll.py SOURCE_DIR DLL IMPORT_LIBRARY OBJDUMP NM
"""
import re
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "ws2_32.dll", "msvcrt.dll"}
GAPS = {14, 30, 31, 64}


def read(path):
    with open(path, encoding="ascii") as f:
        return f.read()


def declared_argument_counts(source_dir):
    header = read(source_dir + "/include/roviro2.h")
    counts = {}
    for name, args in re.findall(r"ROVIRO2_CALL\s+(PT_\w+)\s*\(([^)]*)\)", header):
        args = args.strip()
        counts[name] = 0 if args == "void" else args.count(",") + 1
    return counts


def def_entries(source_dir):
    """Name -> (ordinal, argument count) of every entry of the module definition."""
    text = read(source_dir + "/src/lib/roviro2.def")
    return {m[0]: (int(m[1]), int(m[2]))
            for m in re.findall(r"^\s+(PT_\w+)\s+@(\d+)\s*;\s*(\d+) arguments?\s*$", text, re.MULTILINE)}


def dump(objdump, dll):
    return subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout


def main():
    source_dir, dll, implib, objdump, nm = sys.argv[1:6]
    text = dump(objdump, dll)
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    base = int(re.search(r"^Ordinal Base\s+(\d+)", text, re.MULTILINE).group(1))
    slots = int(re.search(r"Export Address Table\s+([0-9a-f]+)\s*$", text, re.MULTILINE).group(1), 16)
    names_count = int(re.search(r"\[Name Pointer/Ordinal\] Table\s+([0-9a-f]+)", text).group(1), 16)
    expect(base == 1, f"ordinal base {base}, not 1")
    expect(slots == 83, f"{slots} export slots, not 83")
    expect(names_count == 79, f"{names_count} exported names, not 79")

    table = text.split("[Ordinal/Name Pointer] Table", 1)[1]
    exported = {name: int(slot) + base
                for slot, name in re.findall(r"^\s+\[\s*(\d+)\]\s+(\S+)\s*$", table, re.MULTILINE)}
    entries = def_entries(source_dir)
    expected = {name: ordinal for name, (ordinal, _) in entries.items()}
    expect(len(expected) == 79, f"the module definition has {len(expected)} entries")
    expect(exported == expected,
           "export table differs from the module definition: "
           f"extra {sorted(set(exported.items()) - set(expected.items()))}, "
           f"missing {sorted(set(expected.items()) - set(exported.items()))}")
    filled = {int(n) for n in re.findall(r"\+base\[\s*(\d+)\]\s+[0-9a-f]+ Export RVA", text)}
    expect(not (filled & GAPS), f"unassigned ordinals filled: {sorted(filled & GAPS)}")

    imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", text)}
    expect(imports <= SYSTEM_DLLS, f"imports beyond the system DLLs: {sorted(imports - SYSTEM_DLLS)}")

    if "pei-i386" in text:
        symbols = subprocess.run([nm, implib], check=True, capture_output=True, text=True).stdout
        sizes = {m[0]: int(m[1]) for m in re.findall(r" T _(PT_\w+)@(\d+)$", symbols, re.MULTILINE)}
        expect(set(sizes) == set(entries), "import library names differ from the module definition")
        for name, (_, count) in entries.items():
            expect(sizes.get(name) == 4 * count,
                   f"{name}: import library says @{sizes.get(name)}, the table {count} arguments")

    # The version resource carries the project version.
    version = re.search(r"project\(roviro2 VERSION ([0-9.]+)", read(source_dir + "/CMakeLists.txt")).group(1)
    with open(dll, "rb") as f:
        image = f.read()
    key = image.find("ProductVersion".encode("utf-16-le"))
    expect(key >= 0 and version.encode("utf-16-le") in image[key:key + 64],
           f"no version resource with ProductVersion {version}")

    declared = declared_argument_counts(source_dir)
    for name, (_, count) in entries.items():
        expect(declared.get(name) == count,
               f"{name}: the header declares {declared.get(name)} arguments, the table {count}")

    for failure in failures:
        print("FAIL:", failure)
    print(f"{dll}: {'bad' if failures else 'ok'} ({len(exported)} names, {slots} slots, "
          f"imports {', '.join(sorted(imports))})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
