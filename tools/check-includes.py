#!/usr/bin/env python3
"""Checks the include rules of the source tree and exits non-zero on a breach.

1. The COM framework (com/) includes nothing of the product: every quoted
   include in com/ names a header of com/ itself.
2. No two units include each other, directly or through others. A unit is a
   header with its source files: Foo.h, Foo.cpp and, when Foo.h exists, the
   files split out of it under its name (Foo_workers.cpp, Foo_win.h); the
   graph has an edge from a unit to every unit whose header one of its files
   includes.

Usage: check-includes.py [SOURCE_ROOT]
"""
import pathlib
import re
import sys

FOLDERS = ["engine", "jpeg", "ui", "job", "maskedit", "com", "host", "addin", "cli", "bench", "tests"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(root):
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in (".h", ".cpp", ".c") and path.is_file():
                yield path


def includes(path):
    return INCLUDE.findall(path.read_text(errors="replace"))


def unit_of(path):
    base = path.parent / path.stem.split("_")[0]
    return base if base.with_suffix(".h").is_file() else path.with_suffix("")


def headers_by_name(files):
    found = {}
    for path in files:
        if path.suffix == ".h":
            found.setdefault(path.name, []).append(path)
    return found


def resolve(name, including, headers):
    """The header an include names: beside the including file first, then
    anywhere in the tree (the build's include paths). None when generated or
    from the system."""
    beside = including.parent / name
    if beside.is_file():
        return beside
    candidates = headers.get(pathlib.PurePath(name).name, [])
    return candidates[0] if len(candidates) == 1 else None


def framework_breaches(root, files, headers):
    framework = root / "com"
    breaches = []
    for path in files:
        if framework not in path.parents:
            continue
        for name in includes(path):
            target = resolve(name, path, headers)
            if target is None or framework not in target.parents:
                breaches.append(f"{path.relative_to(root)} includes \"{name}\", which is not of com/")
    return breaches


def unit_graph(files, headers):
    graph = {}
    for path in files:
        edges = graph.setdefault(unit_of(path), set())
        for name in includes(path):
            target = resolve(name, path, headers)
            if target is not None and unit_of(target) != unit_of(path):
                edges.add(unit_of(target))
    return graph


def circles(graph):
    """Every strongly connected set of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(unit):
        index[unit] = low[unit] = counter[0]
        counter[0] += 1
        stack.append(unit)
        on_stack.add(unit)
        for next_unit in graph.get(unit, ()):
            if next_unit not in index:
                visit(next_unit)
                low[unit] = min(low[unit], low[next_unit])
            elif next_unit in on_stack:
                low[unit] = min(low[unit], index[next_unit])
        if low[unit] == index[unit]:
            members = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                members.append(member)
                if member == unit:
                    break
            if len(members) > 1:
                found.append(sorted(members))

    sys.setrecursionlimit(10000)
    for unit in sorted(graph):
        if unit not in index:
            visit(unit)
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent).resolve()
    files = list(sources(root))
    headers = headers_by_name(files)
    problems = framework_breaches(root, files, headers)
    for members in circles(unit_graph(files, headers)):
        problems.append("units include each other: " + ", ".join(str(m.relative_to(root)) for m in members))
    for problem in problems:
        print(problem)
    if not problems:
        print(f"{len(files)} files: the include rules hold")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
