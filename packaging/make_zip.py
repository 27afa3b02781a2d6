#!/usr/bin/env python3
"""Packs files into a zip archive that is the same bytes for the same files, wherever and
whenever it is made: entries sorted by name, every entry dated to one given time, the same
attributes for every file (an ordinary file, as Windows writes them), no extra fields.

Usage: make_zip.py EPOCH_FILE OUTPUT.zip NAME=PATH...
EPOCH_FILE holds the time in seconds since 1970 (UTC) that every entry carries.
"""

import sys
import time
import zipfile

FILE_ATTRIBUTE_ARCHIVE = 0x20
CREATED_ON_MSDOS = 0


def entry(name, epoch):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(epoch)[:6])
    info.create_system = CREATED_ON_MSDOS
    info.external_attr = FILE_ATTRIBUTE_ARCHIVE
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(epoch_file, output, members):
    with open(epoch_file, encoding="ascii") as f:
        epoch = int(f.read().strip())
    pairs = sorted(member.split("=", 1) for member in members)
    with zipfile.ZipFile(output, "w") as archive:
        for name, path in pairs:
            with open(path, "rb") as f:
                archive.writestr(entry(name, epoch), f.read(), compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) < 4 or any("=" not in m for m in sys.argv[3:]):
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
