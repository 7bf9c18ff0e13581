#!/usr/bin/env python3
"""The engine's wings, checked: each file includes and calls only its own wing
and the wings below it (the table of docs/architecture.md), and no circle of
files remains, counting calls as well as includes.

A call is a use of a function another engine .cpp defines outside its
anonymous namespace, found by name in the text (comments and strings taken
out); a file that defines a function of the same name itself is taken to call
its own. Run from the source root; prints each fault, exits 1 on any.
"""
import os
import re
import subprocess
import sys

# Wing: the wings it may include and call, besides its own.
WINGS = {
    "core": [],
    "trace": ["core"],
    "conversation": ["core", "trace"],
    "discovery": ["core", "trace", "conversation"],
    "dispatch": ["core", "trace", "conversation"],
    "motion": ["core", "trace", "conversation"],
    "recovery": ["core", "trace", "conversation", "discovery", "motion"],
    "worker": ["core", "trace", "conversation", "discovery", "dispatch", "motion", "recovery"],
    "top": ["core", "trace", "conversation", "discovery", "dispatch", "motion", "recovery", "worker"],
}
# The front ends' header gives the types the hooks and snapshots are made of,
# so every wing may include it; its functions are front_end.cpp's (the top).
FACE = "engine/orvalix_engine.h"


def wing_of(path):
    if path == FACE:
        return "core"
    parts = path.split("/")
    return parts[1] if len(parts) > 2 else "top"


def clean(text):
    text = re.sub(r"//[^\n]*", "", text)
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    text = re.sub(r"'(\\.|[^'\\])'", "0", text)
    return re.sub(r'"(\\.|[^"\\])*"', '""', text)


DEFINITION = re.compile(r"^[A-Za-z_][\w:<>,*& ]*?[\s*&]((?:\w+::)?\w+)\(")


def definitions(text):
    """(exported, all) names of the functions a .cpp defines."""
    exported, every = set(), set()
    depth, anonymous = 0, []
    for line in text.split("\n"):
        if re.match(r"^namespace\s*\{", line):
            anonymous.append(depth)
        elif depth - len(anonymous) == 0 and not line.startswith((" ", "}", "#")):
            m = DEFINITION.match(line)
            if m and not line.rstrip().endswith(";"):
                name = m.group(1).split("::")[-1]
                every.add(name)
                if not anonymous and not line.startswith("static"):
                    exported.add(name)
        depth += line.count("{") - line.count("}")
        while anonymous and depth <= anonymous[-1]:
            anonymous.pop()
    return exported, every


def main():
    listed = subprocess.run(
        ["git", "ls-files", "--cached", "--others", "--exclude-standard", "engine/*.h", "engine/*.cpp"],
        capture_output=True, text=True, check=True).stdout.split()
    files = [f for f in listed if os.path.exists(f)]
    text = {f: clean(open(f, encoding="utf-8").read()) for f in files}
    raw = {f: open(f, encoding="utf-8").read() for f in files}
    bad = []
    for f in files:
        if wing_of(f) not in WINGS:
            bad.append(f"wing violation: {f} is in no wing of the table")
    exported, local = {}, {}
    for f in files:
        if f.endswith(".cpp"):
            names, every = definitions(text[f])
            local[f] = every
            for name in names:
                exported.setdefault(name, f)
    uses = {f: {} for f in files}  # file -> {used file: why}
    # A header names the functions it declares as a call would: its names
    # count for the wing order only, not for circles (its own .cpp uses it).
    named = {f: {} for f in files}
    for f in files:
        for target in re.findall(r'^\s*#\s*include\s*["<](engine/[^">]+)[">]', raw[f], flags=re.M):
            uses[f].setdefault(target, "includes")
        for name, g in exported.items():
            if g != f and name not in local.get(f, ()) and re.search(r"\b" + re.escape(name) + r"\s*\(", text[f]):
                (uses if f.endswith(".cpp") else named)[f].setdefault(g, f"calls {name}")
    named["engine/orvalix_engine.h"] = {}  # the front ends' header: its functions live at the top by design
    for f in files:
        mine = wing_of(f)
        for g, why in sorted({**named[f], **uses[f]}.items()):
            theirs = wing_of(g)
            if theirs != mine and theirs not in WINGS.get(mine, []):
                bad.append(f"wing violation: {f} {why} ({g}; {mine} may not use {theirs})")
    bad += circles(uses)
    for line in bad:
        print(line)
    if not bad:
        print("wings: every include and call runs down, no circle of files")
    return 1 if bad else 0


def circles(uses):
    """A line per circle of files (each strongly connected set of more than one)."""
    index, low, stack, on, found = {}, {}, [], set(), []
    sys.setrecursionlimit(10000)

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on.add(v)
        for w in uses.get(v, {}):
            if w not in uses:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            ring = []
            while True:
                w = stack.pop()
                on.discard(w)
                ring.append(w)
                if w == v:
                    break
            if len(ring) > 1:
                found.append("circle of files: " + " ".join(sorted(ring)))

    for v in sorted(uses):
        if v not in index:
            visit(v)
    return found


if __name__ == "__main__":
    sys.exit(main())
