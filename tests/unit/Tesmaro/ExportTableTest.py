#!/usr/bin/env python3
"""Checks Tesmaro.dll's export table and Corvatel.exe's imports from it against TesmaroExports.txt.

  ExportTableTest.py OBJDUMP CXXFILT TABLE TESMARO_DLL CORVATEL_EXE

Every name of the table must be exported by name (a member the compiler inlined away is missing),
and the names the program imports from the library must be exactly those the table marks "program".
"""

import re
import subprocess
import sys


def objdump(tool, path):
    return subprocess.run([tool, "-p", path], check=True, capture_output=True, text=True).stdout


def exported_names(dump):
    """The names of the export name table: lines "[   n] name" after its heading."""
    section = dump.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) < 2:
        return []
    names = []
    for line in section[1].splitlines()[1:]:
        match = re.match(r"\s*\[\s*\d+\]\s+(\S+)$", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def imported_names(dump, dll):
    """The names imported from one DLL: the member lines under its "DLL Name:" heading, which end
    at the first empty line."""
    names = []
    lines = iter(dump.splitlines())
    for line in lines:
        if line.strip().lower() == "dll name: " + dll.lower():
            break
    else:
        return names
    for line in lines:
        if not line.strip():
            break
        fields = line.split()
        if len(fields) >= 3 and re.fullmatch(r"[0-9a-f]+", fields[0]) and fields[1].isdigit():
            names.append(fields[2])
    return names


def demangle(tool, names):
    if not names:
        return []
    out = subprocess.run([tool], input="\n".join(names) + "\n", check=True, capture_output=True, text=True).stdout
    return out.splitlines()


def read_table(path):
    exported, program = set(), set()
    for line in open(path, encoding="utf-8"):
        if not line.strip() or line.startswith("#"):
            continue
        name = line[9:].strip()
        exported.add(name)
        if line.startswith("program"):
            program.add(name)
    return exported, program


def main():
    objdump_tool, cxxfilt, table_path, dll, exe = sys.argv[1:6]
    table, program = read_table(table_path)
    exports = set(demangle(cxxfilt, exported_names(objdump(objdump_tool, dll))))
    imports = set(demangle(cxxfilt, imported_names(objdump(objdump_tool, exe), "Tesmaro.dll")))

    failures = ["not exported by name: " + name for name in sorted(table - exports)]
    failures += ["imported by the program but not one of its names: " + name for name in sorted(imports - program)]
    failures += ["one of the program's names it does not import: " + name for name in sorted(program - imports)]
    if not imports:
        failures.append("the program imports nothing from Tesmaro.dll")
    for failure in failures:
        print(failure)
    print("%d of %d names exported; the program imports %d of its %d"
          % (len(table & exports), len(table), len(imports & program), len(program)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
