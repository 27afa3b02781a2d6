#!/usr/bin/env python3
"""Writes a UTF-8 text file the way Windows Notepad of every version reads it: with a
byte-order mark and CR LF line ends.

Usage: windows_text.py SOURCE OUTPUT
"""

import sys


def main(source, output):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    with open(output, "wb") as f:
        f.write(b"\xef\xbb\xbf" + "".join(line + "\r\n" for line in lines).encode("utf-8"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
