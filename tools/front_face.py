#!/usr/bin/env python3
"""Counts the face of the recording object (cls_AVI_handler).

Declarations come from clang's AST dump of recording/cls_AVI_handler.h, so macro-made members
count as the compiler sees them: every declaration written in the class or in one of its public
bases (methods, constructors, fields, static members, type aliases, nested types; nothing the
compiler makes implicitly). Public names are the distinct names of public members (constructors,
destructors and operators left out) of the class and of its public bases.

Each public name is then looked for as a call or a member access (".Name(", "->Name(",
"::Name") in the source files: the program is every .cpp/.h outside recording/, tests/ and
bench/; tests are tests/ and bench/. A name another class shares counts wherever it appears, so
the split leans towards "called".

    tools/front_face.py [--names]        run from the repository's top folder
"""
import os
import re
import subprocess
import sys
import tempfile

FRONT = "cls_AVI_handler"
INCLUDES = ["-I.", "-isystem", "/usr/include/x86_64-linux-gnu/qt6/QtCore", "-isystem",
            "/usr/include/x86_64-linux-gnu/qt6", "-isystem", "/usr/include/x86_64-linux-gnu/qt6/QtGui"]
KINDS = ("CXXMethodDecl", "CXXConstructorDecl", "CXXDestructorDecl", "FieldDecl", "VarDecl",
         "TypeAliasDecl", "TypedefDecl", "CXXRecordDecl", "EnumDecl", "FriendDecl")


def dump(cls):
    with tempfile.NamedTemporaryFile("w", suffix=".cpp", delete=False) as tu:
        tu.write('#include "recording/%s.h"\n' % FRONT)
    try:
        out = subprocess.run(["clang++", "-std=c++20", "-fsyntax-only", *INCLUDES, "-Xclang", "-ast-dump",
                              "-Xclang", "-ast-dump-filter", "-Xclang", "wk::" + cls, tu.name],
                             capture_output=True, text=True, check=True).stdout
    finally:
        os.unlink(tu.name)
    # The class's own block: the first one that dumps its definition.
    for block in out.split("Dumping wk::")[1:]:
        head, _, body = block.partition("\n")
        if head == cls + ":" and " definition" in body.partition("\n")[0]:
            return body.splitlines()
    sys.exit("no definition of " + cls)


def members(cls):
    """(declarations, public names, public bases) of one class, from its own body."""
    access, decls, names, bases = "private", 0, set(), []
    for line in dump(cls)[1:]:
        m = re.match(r"^[|`]-(\w+)", line)
        if not m:
            continue
        kind = m.group(1)
        if kind in ("public", "protected", "private") and "'wk::" in line:
            if kind == "public":
                bases.append(re.search(r"'wk::(\w+)'", line).group(1))
            continue
        if kind == "AccessSpecDecl":
            access = line.split()[-1]
            continue
        if kind not in KINDS or " implicit " in line:
            continue
        decls += 1
        # The name is the word just before the type.
        n = line.partition(" '")[0].split()[-1]
        if access == "public" and kind in ("CXXMethodDecl", "FieldDecl", "VarDecl") and " '" in line:
            if not n.startswith("operator"):
                names.add(n)
    return decls, names, bases


def face():
    decls, names, bases = members(FRONT)
    todo = list(bases)
    while todo:
        d, n, more = members(todo.pop())
        decls += d
        names |= n
        todo += more
    return decls, names, bases


def sources(top):
    program, tests = [], []
    for root, dirs, files in os.walk(top):
        rel = os.path.relpath(root, top)
        if rel != "." and rel.split(os.sep)[0].startswith(("build", ".")):
            dirs[:] = []
            continue
        for f in files:
            if f.endswith((".cpp", ".h")):
                first = rel.split(os.sep)[0]
                if first == "recording":
                    continue
                (tests if first in ("tests", "bench") else program).append(os.path.join(root, f))
    return program, tests


def used(names, files):
    text = "\n".join(open(f, encoding="utf-8", errors="replace").read() for f in files)
    found = set(re.findall(r"(?:\.|->)\s*(\w+)\s*\(|::(\w+)", text))
    return {n for pair in found for n in pair if n in names}


def main():
    decls, names, bases = face()
    program, tests = sources(".")
    by_program = used(names, program)
    by_tests = used(names, tests) - by_program
    nobody = names - by_program - by_tests
    print("front %s, public bases: %s" % (FRONT, ", ".join(bases) or "none"))
    print("declarations with bases: %d" % decls)
    print("public names: %d (program %d, only tests %d, nobody outside recording/ %d)" %
          (len(names), len(by_program), len(by_tests), len(nobody)))
    if "--names" in sys.argv:
        for title, group in (("program", by_program), ("tests", by_tests), ("nobody", nobody)):
            print("%s: %s" % (title, " ".join(sorted(group))))


if __name__ == "__main__":
    main()
