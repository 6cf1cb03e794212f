#!/usr/bin/env python3
"""Makes the benchmark input: corpus files whose lines are all shorter than 1,020
characters, concatenated in a fixed order (repeated as needed) to about SIZE bytes,
ending at a line boundary.

usage: make_input.py OUT [SIZE_MB] [CORPUS_DIR]
"""
import os
import sys


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 1
    out = sys.argv[1]
    size = int(float(sys.argv[2]) * 1_000_000) if len(sys.argv) > 2 else 10_000_000
    here = os.path.dirname(os.path.abspath(__file__))
    corpus = sys.argv[3] if len(sys.argv) > 3 else os.path.join(here, "..", "..", "shared", "corpus")
    files = []
    for root, _, names in os.walk(corpus):
        for name in names:
            if name.endswith((".inf", ".h")):
                files.append(os.path.join(root, name))
    files.sort()
    pieces = []
    for path in files:
        data = open(path, "rb").read()
        lines = data.replace(b"\r\n", b"\n").split(b"\n")
        if all(len(line) < 1020 for line in lines) and b"\0" not in data and b"\x1a" not in data:
            if not data.endswith(b"\n"):
                data += b"\n"
            pieces.append(data)
    if not pieces:
        print("make_input.py: no usable corpus files under " + corpus, file=sys.stderr)
        return 2
    result = bytearray()
    while len(result) < size:
        for data in pieces:
            result += data
            if len(result) >= size:
                break
    cut = result.rfind(b"\n", 0, size)
    del result[cut + 1:]
    with open(out, "wb") as f:
        f.write(result)
    print(f"{out}: {len(result)} bytes from {len(pieces)} corpus files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
