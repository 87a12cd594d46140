#!/usr/bin/env python3
"""Writes a catalogue for the load benchmark.

  make_catalogue.py layered N FILE   N products shaped like a maker's catalogue: base runtimes,
                                     components that need one or two runtimes, applications that
                                     need one to three components
  make_catalogue.py chain N FILE     N products, each depending on the two before it
  make_catalogue.py hostile N FILE   N layers of 10 products, each depending on every product of
                                     the next layer: 10^N records in full, refused by the load
  make_catalogue.py widecycle N FILE product 2 with N empty elements and a dependency on itself,
                                     product 1 depending on product 2 N times
  make_catalogue.py bignote N FILE   product 2 with a 1 MB note, product 1 depending on it N times
  make_catalogue.py depstartmenu N FILE
                                     product 3 needing product 2 through a dependency element with
                                     a 1 MB StartMenuText, N/100 products listing product 3 100 times
  make_catalogue.py depminversion N FILE
                                     the same with a 1 MB MinRequiredVersion
  make_catalogue.py ownnote N FILE   product 1 needing product 2 N times, the first time through a
                                     dependency element with a 1 MB StartMenuText
  make_catalogue.py emptyexes N FILE product 2 with AdditionalExes of 2,000 children of 50 empty
                                     exeN attributes, N/100 products listing product 2 100 times
  make_catalogue.py shortexes N FILE the same with 4-byte names

The same arguments always give the same file.
"""

import random
import sys
from xml.sax.saxutils import escape


def entry(product_id, name, version, build, dependencies, rng):
    """One product entry with the elements a real entry carries."""
    major, minor, patch = version
    dotted = "%d.%d.%d" % version
    key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Quendar\\%s" % name
    lines = [
        '  <Product Id="%d" Version="%s" Build="%d" StartMenuText="%s">' % (product_id, dotted, build, escape(name)),
        "    <Name>Quendar %s</Name>" % escape(name),
        "    <Date>20%02d-%02d-%02d</Date>" % (20 + major % 5, 1 + minor % 12, 1 + patch % 28),
        "    <Download>%s_%s.%d.exe</Download>" % (name.replace(" ", ""), dotted, build),
        "    <Size>%.1f</Size>" % rng.uniform(0.5, 250.0),
        "    <Notes>%s %s, release %s, for every Quendar device of its family.</Notes>" % (escape(name), dotted, build),
        "    <InstallType>%d</InstallType>" % rng.choice((0, 1, 1, 1)),
        "    <InstallFolder>Quendar\\%s</InstallFolder>" % escape(name),
        "    <Exe>%s.exe</Exe>" % name.replace(" ", ""),
        '    <VersionModule registry="yes">%s\\Version</VersionModule>' % escape(key),
        '    <VersionPath registry="yes">%s\\InstallDir</VersionPath>' % escape(key),
        '    <VersionBuild registry="yes">%s\\Build</VersionBuild>' % escape(key),
        "    <RelNotes>%s_ReleaseNotes.rtf</RelNotes>" % name.replace(" ", ""),
        "    <ShowProduct>1</ShowProduct>",
        "    <Reboot>%d</Reboot>" % (rng.random() < 0.1),
        "    <Beta>0</Beta>",
        "    <Snip>0</Snip>",
    ]
    if dependencies:
        lines.append("    <Dependency>")
        for dep_id, dep_version, dep_build in dependencies:
            lines.append('      <Product Id="%d" Version="%s" Build="%d" MinRequiredVersion="%s"/>'
                         % (dep_id, "%d.%d.%d" % dep_version, dep_build, "%d.%d.0" % dep_version[:2]))
        lines.append("    </Dependency>")
    lines.append("  </Product>")
    return "\n".join(lines)


def layered(count, rng):
    """(id, name, version, build, dependencies) rows: a tenth runtimes, four tenths components,
    the rest applications."""
    runtimes = max(1, count // 10)
    components = max(1, count * 4 // 10)
    rows = []

    def add(kind, needs):
        product_id = 1000 + len(rows)
        version = (rng.randint(1, 9), rng.randint(0, 9), rng.randint(0, 30))
        build = version[0] * 1000 + version[1] * 100 + version[2]
        rows.append((product_id, "%s %d" % (kind, product_id), version, build, needs))

    for _ in range(runtimes):
        add("Runtime", [])
    base = [row[:1] + row[2:4] for row in rows]
    for _ in range(components):
        add("Component", rng.sample(base, min(len(base), rng.randint(1, 2))))
    parts = [row[:1] + row[2:4] for row in rows[runtimes:]]
    while len(rows) < count:
        add("Application", rng.sample(parts, min(len(parts), rng.randint(1, 3))))
    return rows[:count]


def chain(count):
    rows = []
    for i in range(count):
        product_id = 1000 + i
        needs = [row[:1] + row[2:4] for row in rows[-2:]]
        rows.append((product_id, "Layer %d" % product_id, (1, 0, i), 100 + i, needs))
    return rows


def hostile(layers):
    rows = []
    for layer in reversed(range(layers)):
        needs = [row[:1] + row[2:4] for row in rows[-10:]]
        for i in range(10):
            product_id = 1000 + layer * 10 + i
            rows.append((product_id, "Layer %d" % product_id, (1, 0, layer), 100 + i, needs))
    return rows


def two_products(count, inner, path, first=""):
    """Product 1 depending on product 2 count times, the first time with the attributes first;
    product 2's body is inner."""
    with open(path, "w", encoding="ascii", newline="\r\n") as out:
        out.write('<?xml version="1.0"?>\n<Products>\n<Product Id="1"><Name>Wide</Name><Dependency>\n')
        out.write('<Product Id="2" Version="1.0" Build="1"%s/>\n' % (" " + first if first else ""))
        out.write('<Product Id="2" Version="1.0" Build="1"/>\n' * (count - 1))
        out.write('</Dependency></Product>\n<Product Id="2" Version="1.0" Build="1"><Name>Target</Name>%s</Product>\n</Products>\n' % inner)


def listed(count, target, entries, path):
    """count/100 products listing product target 100 times each, then the entries."""
    with open(path, "w", encoding="ascii", newline="\r\n") as out:
        out.write('<?xml version="1.0"?>\n<Products>\n')
        for product_id in range(10, 10 + count // 100):
            out.write('<Product Id="%d"><Name>Lister</Name><Dependency>\n' % product_id)
            out.write('<Product Id="%d" Version="1.0" Build="1"/>\n' % target * 100)
            out.write("</Dependency></Product>\n")
        out.write(entries + "</Products>\n")


def needed_through(attribute):
    """Product 3 needing product 2 through a dependency element whose attribute is 1 MB long."""
    return ('<Product Id="2" Version="1.0" Build="1"><Name>Base</Name></Product>\n'
            '<Product Id="3" Version="1.0" Build="1"><Name>Middle</Name><Dependency>'
            '<Product Id="2" Version="1.0" Build="1" %s="%s"/></Dependency></Product>\n' % (attribute, "1" * (1 << 20)))


def many_exes(name):
    """Product 2 with 2,000 AdditionalExes children of 50 exeN attributes each."""
    child = "<Exes %s/>\n" % " ".join('exe%d="%s"' % (i, name) for i in range(1, 51))
    return ('<Product Id="2" Version="1.0" Build="1"><Name>Target</Name><AdditionalExes>\n%s'
            "</AdditionalExes></Product>\n" % (child * 2000))


def main():
    shapes = {"layered": lambda count, rng: layered(count, rng), "chain": lambda count, rng: chain(count),
              "hostile": lambda count, rng: hostile(count)}
    # Product 2's body, and the attributes of product 1's first dependency on it.
    specials = {"widecycle": (lambda count: "<E/>" * count + '<Dependency><Product Id="2" Version="1.0" Build="1"/></Dependency>', ""),
                "bignote": (lambda count: "<Notes>%s</Notes>" % ("n" * (1 << 20)), ""),
                "ownnote": (lambda count: "", 'StartMenuText="%s"' % ("s" * (1 << 20)))}
    listings = {"depstartmenu": (3, lambda: needed_through("StartMenuText")),
                "depminversion": (3, lambda: needed_through("MinRequiredVersion")),
                "emptyexes": (2, lambda: many_exes("")), "shortexes": (2, lambda: many_exes("a.ex"))}
    if len(sys.argv) != 4 or sys.argv[1] not in list(shapes) + list(specials) + list(listings):
        sys.exit(__doc__)
    shape, count, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    if shape in specials:
        inner, first = specials[shape]
        two_products(count, inner(count), path, first)
        return
    if shape in listings:
        target, entries = listings[shape]
        listed(count, target, entries(), path)
        return
    rng = random.Random(count)
    rows = shapes[shape](count, rng)
    with open(path, "w", encoding="ascii", newline="\r\n") as out:
        out.write('<?xml version="1.0"?>\n<Products>\n')
        out.write("  <Catalogue>\n    <MinCorvatelVer>4.0.11</MinCorvatelVer>\n"
                  "    <CorvatelDownloadURL>https://www.quendar.com/corvatel/CorvatelSetup.exe</CorvatelDownloadURL>\n"
                  "  </Catalogue>\n")
        for product_id, name, version, build, needs in rows:
            out.write(entry(product_id, name, version, build, needs, rng) + "\n")
        out.write("</Products>\n")


if __name__ == "__main__":
    main()
