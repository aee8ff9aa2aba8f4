#!/usr/bin/env python3
"""Checks that the files and folders a document names still exist.

Names are taken from `code spans` that look like paths in the tree (a known top-level folder or a file
with an extension we use) and from relative Markdown links. Patterns such as `<Type>Handler.h` are skipped.
Usage: check-doc-paths.py ROOT DOC...   Exit status 1 lists every name that is gone.
"""
import os
import re
import sys

TOP = ("VYRA_Control_App/", "framework/", "simulator/", "tests/", "bench/", "fuzz/", "docs/", "scripts/",
       "unitcheck/", "packaging/", ".ci/")
SPAN = re.compile(r"`([^`\s]+)`")
LINK = re.compile(r"\]\(([^)\s#]+)(?:#[^)]*)?\)")


def candidates(text):
    for name in SPAN.findall(text):
        name = name.rstrip(".,:;")
        if any(c in name for c in "<>*{}$") or "://" in name:
            continue
        if name.startswith(TOP):
            yield name, False
    for name in LINK.findall(text):
        if "://" not in name and not name.startswith("mailto:"):
            yield name, True


def spellings(name):
    # "Facade.h/.cpp" names a pair; "tests/common/AppUnitFixture" names a class by its header.
    if name.endswith(".h/.cpp"):
        return [name[: -len("/.cpp")]]
    return [name, name + ".h"]


def main():
    root, docs = sys.argv[1], sys.argv[2:]
    missing = []
    for doc in docs:
        path = os.path.join(root, doc)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for name, relative in candidates(text):
            base = os.path.dirname(path) if relative else root
            if not any(os.path.exists(os.path.join(base, n)) for n in spellings(name)):
                missing.append(f"{doc}: {name}")
    for line in missing:
        print("missing:", line)
    print(f"{len(docs)} documents checked, {len(missing)} names missing")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
