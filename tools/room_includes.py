#!/usr/bin/env python3
"""Prints which folder ("room") of the program includes which, and the cycles among them.

  tools/room_includes.py            arrows with their include counts, then the cycles
  tools/room_includes.py A B        also every include of room A that names a header of room B

Rooms are the source folders (recording/header counts as its own room); tests, bench and tools
are left out, since they may reach any room. An include that stays in its own room is no arrow.
"""
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIP = {"tests", "bench", "tools", "build", "build-rel", ".git"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def room_of(path):
    parts = path.split("/")
    if len(parts) < 2:
        return None
    if parts[0] in ("recording", "services") and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    return parts[0]


def sources():
    for top in sorted(os.listdir(ROOT)):
        if top in SKIP or top.startswith(".") or not os.path.isdir(os.path.join(ROOT, top)):
            continue
        for folder, dirs, files in os.walk(os.path.join(ROOT, top)):
            dirs[:] = sorted(d for d in dirs if d not in SKIP)
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), ROOT)


def arrows():
    found = defaultdict(list)
    for path in sources():
        here = room_of(path)
        with open(os.path.join(ROOT, path), encoding="utf-8", errors="replace") as f:
            for line in f:
                m = INCLUDE.match(line)
                if not m or "/" not in m.group(1):
                    continue
                there = room_of(m.group(1))
                if there and there != here and os.path.exists(os.path.join(ROOT, m.group(1))):
                    found[(here, there)].append(f"{path}: {m.group(1)}")
    return found


def cycles(edges):
    graph = defaultdict(set)
    for a, b in edges:
        graph[a].add(b)
    # Strongly connected components (Tarjan); a component of two or more rooms is a cycle.
    index, low, stack, on, out = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            part = []
            while True:
                w = stack.pop()
                on.discard(w)
                part.append(w)
                if w == v:
                    break
            if len(part) > 1:
                out.append(sorted(part))

    for v in sorted(set(graph) | {b for _, b in edges}):
        if v not in index:
            visit(v)
    return out


def main(argv):
    found = arrows()
    for (a, b), lines in sorted(found.items()):
        print(f"{a} -> {b}  ({len(lines)})")
    parts = cycles(found.keys())
    print("cycles:" if parts else "cycles: none")
    for part in parts:
        two_way = [f"{a} <-> {b}" for a in part for b in part if a < b and (a, b) in found and (b, a) in found]
        print("  " + ", ".join(part) + ("   two-way: " + "; ".join(two_way) if two_way else ""))
    if len(argv) == 3:
        print(f"\nincludes of {argv[1]} -> {argv[2]}:")
        for line in found.get((argv[1], argv[2]), []):
            print("  " + line)


if __name__ == "__main__":
    main(sys.argv)
