#!/usr/bin/env python3
"""Checks that the program's folders are layers that run one way.

A source file of a program folder may include the headers of its own folder and of
the folders below it in LAYERS, and no others: no include points upward, so no two
folders can reach each other, directly or through others. A folder with C++ sources
that is neither a layer nor beside the program fails the check too, until it takes
its place in the order. Prints each offending include and exits 1; exits 0 when all
is in order.
"""
import pathlib
import re
import sys

# Lowest first; the README's layout table lists them in this order.
LAYERS = ["resources", "core", "win", "net", "device", "account", "ui", "app"]
# Folders beside the program: they may include it, never the other way round.
BESIDE = {"tests", "fuzz", "bench", "demo", "devservice", "scripts", "cmake", "docs", "build"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')
SOURCES = ("*.h", "*.hpp", "*.cpp", "*.cc", "*.rc")


def problems(root):
    rank = {name: index for index, name in enumerate(LAYERS)}
    for folder in sorted(p for p in root.iterdir() if p.is_dir() and not p.name.startswith(".")):
        files = [f for pattern in SOURCES for f in sorted(folder.rglob(pattern))]
        if folder.name in BESIDE or not files:
            continue
        if folder.name not in rank:
            yield f"{folder.name}/ has sources but no place in the order of layers"
            continue
        for path in files:
            lines = path.read_text(errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                where = f"{path.relative_to(root)}:{number}"
                if target not in rank:
                    if (root / target).is_dir():
                        yield f"{where}: includes {target}/, which is beside the program"
                elif rank[target] > rank[folder.name]:
                    yield f"{where}: {folder.name}/ includes {target}/, a higher layer"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(problems(root))
    for line in found:
        print(line)
    if found:
        print("Layers, lowest first: " + " < ".join(LAYERS))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
