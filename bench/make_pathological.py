#!/usr/bin/env python3
"""Makes the games that once froze or ended the viewer, for bench_freeze:

  OUT/chain/f0.inf   a chain of COUNT includes (f0 includes f1, which includes f2, ...),
                     each file defining one routine;
  OUT/includes/main.inf
                     1,000 header lines adding a folder to the include path each, then
                     2,000 includes of a file that is in none of them.

usage: make_pathological.py OUT [COUNT]   (COUNT: 100000 by default)
"""
import os
import sys


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 1
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
    chain = os.path.join(out, "chain")
    os.makedirs(chain, exist_ok=True)
    for i in range(count):
        name = "f0.inf" if i == 0 else f"f{i}.h"
        with open(os.path.join(chain, name), "w") as f:
            if i + 1 < count:
                f.write(f'Include "f{i + 1}";\n')
            f.write(f"[ R{i}; ];\n")
    includes = os.path.join(out, "includes")
    os.makedirs(includes, exist_ok=True)
    with open(os.path.join(includes, "main.inf"), "w") as f:
        for i in range(1000):
            f.write(f"!% ++p{i:04d}\n")
        f.write("\n")
        for _ in range(2000):
            f.write('Include "x";\n')
        f.write("[ Main; ];\n")
    print(f"{chain}/f0.inf: a chain of {count} includes; {includes}/main.inf: 2,000 includes over 1,000 folders")
    return 0


if __name__ == "__main__":
    sys.exit(main())
