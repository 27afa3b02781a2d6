#!/usr/bin/env python3
"""Writes the SHA-256 of each file, one "HASH  NAME" line each with the file's own name, the
format `sha256sum -c` checks.

Usage: write_sums.py OUTPUT FILE...
"""

import hashlib
import os
import sys


def main(output, files):
    lines = []
    for path in files:
        with open(path, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        lines.append(f"{digest}  {os.path.basename(path)}\n")
    with open(output, "w", encoding="ascii", newline="\n") as f:
        f.writelines(lines)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
