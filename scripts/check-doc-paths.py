#!/usr/bin/env python3
"""Checks that the files and folders a document names still exist.

Names are taken from `code spans` that look like paths in the tree (a known top-level folder), from bare
file names (`Messenger.h`, found anywhere in the tree) and from relative Markdown links. With --classes,
a span that is a bare class name (`CommandQueue`) must have its header somewhere in the tree. Patterns such
as `<Type>Handler.h` are skipped.
Usage: check-doc-paths.py [--classes] ROOT DOC...   Exit status 1 lists every name that is gone.
"""
import os
import re
import sys

TOP = ("VYRA_Control_App/", "framework/", "simulator/", "tests/", "bench/", "fuzz/", "docs/", "scripts/",
       "unitcheck/", "packaging/", ".ci/")
FILE = re.compile(r"^[A-Za-z0-9_.-]+\.(h|cpp|qml|md|py|sh)$")
CLASS = re.compile(r"^[A-Z][a-z]+[A-Z][A-Za-z]*$")
SPAN = re.compile(r"`([^`\s]+)`")
LINK = re.compile(r"\]\(([^)\s#]+)(?:#[^)]*)?\)")


def candidates(text, classes):
    for name in SPAN.findall(text):
        name = name.rstrip(".,:;")
        if any(c in name for c in "<>*{}$") or "://" in name:
            continue
        if name.startswith(TOP):
            yield name, False
        elif FILE.match(name):
            yield "**/" + name, False
        elif classes and CLASS.match(name):
            yield "**/" + name + ".h", False
    for name in LINK.findall(text):
        if "://" not in name and not name.startswith("mailto:"):
            yield name, True


def tree_files(root):
    names = set()
    for folder, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and d != "node_modules"]
        names.update(files)
    return names


def spellings(name):
    # "Facade.h/.cpp" names a pair; "tests/common/AppUnitFixture" names a class by its header.
    if name.endswith(".h/.cpp"):
        return [name[: -len("/.cpp")]]
    return [name, name + ".h"]


def main():
    args = sys.argv[1:]
    classes = "--classes" in args
    args = [a for a in args if a != "--classes"]
    root, docs = args[0], args[1:]
    known = tree_files(root)
    missing = []
    for doc in docs:
        path = os.path.join(root, doc)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for name, relative in candidates(text, classes):
            if name.startswith("**/"):
                if name[3:] not in known:
                    missing.append(f"{doc}: {name[3:]}")
                continue
            base = os.path.dirname(path) if relative else root
            if not any(os.path.exists(os.path.join(base, n)) for n in spellings(name)):
                missing.append(f"{doc}: {name}")
    for line in missing:
        print("missing:", line)
    print(f"{len(docs)} documents checked, {len(missing)} names missing")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
