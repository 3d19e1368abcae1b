#!/usr/bin/env python3
"""Counts the places below the windows that still put something before the operator.

  tools/box_calls.py        each place (file:line and the call), then the count

Below the windows means a source file of a library that does not link Qt Widgets, whether
directly or through the libraries it links (read from the CMakeLists.txt files). A place is a
message box, input box, notice or file dialog asked of the platform's dialogs, or a Qt message
or input dialog. The dialogs port itself (platform/*ialogs*) is no such place.
"""
import os
import re
import sys
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIP = {"tests", "bench", "tools", "build", "build-rel", ".git"}
CALL = re.compile(r"\b(MsgBox|Notice_box|Message_box|Input_box|Ask_later|Show_notice|QMessageBox|QInputDialog)\b"
                  r"\s*[(:]|[Dd]ialogs\(\)\s*\.\s*(Open_file|Save_file|Browse_folder)\s*\(")
COMMAND = re.compile(r"\b(add_library|add_executable|target_sources|target_link_libraries)\s*\(([^)]*)\)", re.S)
WINDOWS = "Qt6::Widgets"


def cmake_files():
    for folder, dirs, files in os.walk(ROOT):
        rel = os.path.relpath(folder, ROOT)
        dirs[:] = sorted(d for d in dirs if d not in SKIP and not d.startswith("."))
        if rel.split(os.sep)[0] in SKIP:
            continue
        if "CMakeLists.txt" in files:
            yield folder, os.path.join(folder, "CMakeLists.txt")


def targets():
    sources, links = defaultdict(list), defaultdict(set)
    for folder, path in cmake_files():
        with open(path, encoding="utf-8") as f:
            text = re.sub(r"#[^\n]*", "", f.read())
        for command, args in COMMAND.findall(text):
            words = args.split()
            if not words:
                continue
            name, rest = words[0], words[1:]
            if command == "target_link_libraries":
                links[name].update(w for w in rest if w not in ("PUBLIC", "PRIVATE", "INTERFACE"))
                continue
            for w in rest:
                if w.endswith(".cpp"):
                    sources[name].append(os.path.relpath(os.path.join(folder, w), ROOT))
    return sources, links


def links_windows(name, links, seen=None):
    seen = seen if seen is not None else set()
    if name == WINDOWS:
        return True
    if name in seen:
        return False
    seen.add(name)
    return any(links_windows(n, links, seen) for n in links.get(name, ()))


def windowless_files():
    sources, links = targets()
    for name, files in sorted(sources.items()):
        if links_windows(name, links):
            continue
        for cpp in files:
            if "ialogs" in os.path.basename(cpp):
                continue
            yield cpp
            header = cpp[:-4] + ".h"
            if os.path.exists(os.path.join(ROOT, header)):
                yield header


def places():
    for path in sorted(set(windowless_files())):
        full = os.path.join(ROOT, path)
        if not os.path.exists(full):
            continue
        with open(full, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                code = line.split("//", 1)[0]
                if CALL.search(code):
                    yield path, number, line.strip()


def main():
    found = list(places())
    for path, number, line in found:
        print(f"{path}:{number}: {line}")
    print(f"{len(found)} places below the windows")
    return 0


if __name__ == "__main__":
    sys.exit(main())
