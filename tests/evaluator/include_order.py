#!/usr/bin/env python3
"""Checks that the evaluator's includes run one way: every file includes headers of
its own layer or below (src/evaluator/layers.txt); an include of a higher layer must
be marked as an inherent recursion on its line."""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1])
layer = {}
for n, line in enumerate(l for l in (src / "layers.txt").read_text().splitlines()
                         if l.strip() and not l.startswith("#")):
    for name in line.split():
        layer[name] = n

faults = []
for f in sorted(src.glob("*.[ch]*")):
    if f.suffix not in (".h", ".cpp"):
        continue
    if f.stem not in layer:
        faults.append(f"{f.name}: not in layers.txt")
        continue
    for i, line in enumerate(f.read_text(encoding="latin-1").splitlines(), 1):
        m = re.match(r'\s*#\s*include\s+"([^"]+)\.h"', line)
        if not m or m.group(1) not in layer:
            continue
        if layer[m.group(1)] > layer[f.stem] and "// recursion:" not in line:
            faults.append(f"{f.name}:{i}: includes {m.group(1)}.h of a higher layer")
print("\n".join(faults) if faults else "includes run one way")
sys.exit(1 if faults else 0)
