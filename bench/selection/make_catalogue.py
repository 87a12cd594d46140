#!/usr/bin/env python3
"""Writes a catalogue for the selection benchmark, the registry values of what is installed, and
what the selection page must show once it is done.

  make_catalogue.py N FOLDER

N products: a sixth of them shared components, the rest applications that each need one to three
of them. Of each kind some are installed and up to date, some out of date (a few below the
minimum an application requires), the rest missing; the installed versions are registry values
under HKLM\\SOFTWARE\\Quendar Bench. FOLDER receives catalogue.xml, installed.reg and
expected.sh, which sets (for the shell):

  APPS                          rows of the application list
  START_ROWS, START_TOTAL       the download list and total text at the start (the installed
                                applications are ticked)
  ALL_ROWS, ALL_TOTAL           the same after "Select All"
  UPDATE_TOTAL                  the total at the start with "UPDATEALL" (every listed row ticked)

Sizes are whole quarters of a megabyte, so the program's single-precision sums are exact. The same
arguments always give the same files.
"""

import os
import random
import sys

KEY = "SOFTWARE\\Quendar Bench"


def total_text(megabytes):
    return "Total Download Size: %.02f MB" % megabytes


def make_products(count, rng):
    """(name, version, installed version or None, size, dependencies) rows, components first."""
    components = max(2, count // 6)
    rows = []
    for i in range(count):
        kind = "Component" if i < components else "Application"
        version = (rng.randint(1, 9), rng.randint(1, 9), rng.randint(1, 30))
        state = rng.random()
        current = 0.4 if kind == "Component" else 0.3
        if state < current:
            installed = version
        elif state < current + 0.2:
            installed = version[:2] + (version[2] - 1,)
        elif state < current + 0.3:
            installed = (version[0], version[1] - 1, 0)
        else:
            installed = None
        needs = rng.sample(range(components), rng.randint(1, 3)) if kind == "Application" else []
        size = rng.randint(1, 200 if kind == "Component" else 800) / 4
        rows.append(("Quendar Bench %s %05d" % (kind, i), version, installed, size, needs))
    return rows, components


def dotted(version):
    return "%d.%d.%d" % version


def entry(product_id, row, rows):
    name, version, _, size, needs = row
    key = "HKEY_LOCAL_MACHINE\\%s\\%s" % (KEY, name)
    lines = [
        '  <Product Id="%d" Version="%s">' % (product_id, dotted(version)),
        "    <Name>%s</Name>" % name,
        "    <Download>%s.exe</Download>" % name.replace(" ", ""),
        "    <Size>%.2f</Size>" % size,
        "    <Notes>%s %s for every Quendar device of its family.</Notes>" % (name, dotted(version)),
        "    <InstallType>1</InstallType>",
        "    <InstallFolder>Quendar\\%s</InstallFolder>" % name,
        '    <VersionModule registry="yes">%s\\Version</VersionModule>' % key,
        '    <VersionPath registry="yes">%s\\InstallDir</VersionPath>' % key,
        "    <ShowProduct>%d</ShowProduct>" % (not name.startswith("Quendar Bench Component")),
    ]
    if needs:
        lines.append("    <Dependency>")
        for need in needs:
            need_version = rows[need][1]
            lines.append('      <Product Id="%d" Version="%s" MinRequiredVersion="%d.%d.0"/>'
                         % (1000 + need, dotted(need_version), need_version[0], need_version[1]))
        lines.append("    </Dependency>")
    lines.append("  </Product>")
    return "\n".join(lines)


def listing(apps, rows):
    """The products the download list holds when these applications are ticked."""
    listed = set(apps)
    for app in apps:
        listed.update(rows[app][4])
    return listed


def newer_size(listed, rows):
    return sum(rows[i][3] for i in listed if rows[i][2] != rows[i][1])


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    count, folder = int(sys.argv[1]), sys.argv[2]
    rng = random.Random(count)
    rows, components = make_products(count, rng)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "catalogue.xml"), "w", encoding="ascii", newline="\r\n") as out:
        out.write('<?xml version="1.0"?>\n<Products>\n')
        for i, row in enumerate(rows):
            out.write(entry(1000 + i, row, rows) + "\n")
        out.write("</Products>\n")
    with open(os.path.join(folder, "installed.reg"), "w", encoding="ascii", newline="\r\n") as out:
        out.write("REGEDIT4\n\n")
        for name, _, installed, _, _ in rows:
            if installed:
                out.write('[HKEY_LOCAL_MACHINE\\%s\\%s]\n"Version"="%s"\n\n' % (KEY, name,
                                                                              dotted(installed)))
    apps = range(components, count)
    installed_apps = [i for i in apps if rows[i][2]]
    start = listing(installed_apps, rows)
    everything = listing(apps, rows)
    with open(os.path.join(folder, "expected.sh"), "w", encoding="ascii") as out:
        out.write("APPS=%d\n" % len(apps))
        out.write("START_ROWS=%d\nSTART_TOTAL='%s'\n" % (len(start), total_text(newer_size(start, rows))))
        out.write("ALL_ROWS=%d\nALL_TOTAL='%s'\n" % (len(everything), total_text(newer_size(everything, rows))))
        out.write("UPDATE_TOTAL='%s'\n" % total_text(sum(rows[i][3] for i in start)))


if __name__ == "__main__":
    main()
