#!/usr/bin/env python3
"""Checks the portable zip and SHA256SUMS that kelvane_dist wrote: the zip holds exactly the
built kelvane.exe and README.txt, byte for byte, dated to the source's time with the same
attributes; README.txt is what Notepad reads (UTF-8 with a byte-order mark, CR LF) and tells
a user what it must; SHA256SUMS names both release files with their real SHA-256.

Usage: check_archive.py KELVANE_EXE README_TXT ZIP SETUP_EXE SHA256SUMS EPOCH_FILE
"""

import hashlib
import os
import re
import sys
import time
import unittest
import zipfile

ARGS = {}


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Archive(unittest.TestCase):
    def setUp(self):
        self.zip = zipfile.ZipFile(ARGS["zip"])
        self.addCleanup(self.zip.close)

    def test_holds_exactly_the_program_and_the_readme(self):
        names = [info.filename for info in self.zip.infolist()]
        self.assertEqual(["README.txt", "kelvane.exe"], names,
                         f"expected README.txt and kelvane.exe in this order, got {names}")
        for name, path in (("kelvane.exe", ARGS["exe"]), ("README.txt", ARGS["readme"])):
            with self.subTest(name=name):
                packed, built = self.zip.read(name), read(path)
                self.assertTrue(packed == built,
                                f"expected {name} to be the {len(built)} bytes of {path}, "
                                f"got {len(packed)} other bytes")

    def test_entries_carry_the_source_time_and_plain_file_attributes(self):
        with open(ARGS["epoch"], encoding="ascii") as f:
            expected = time.gmtime(int(f.read().strip()))[:6]
        # A zip entry's MS-DOS time counts seconds in twos.
        expected = expected[:5] + (expected[5] - expected[5] % 2,)
        for info in self.zip.infolist():
            with self.subTest(name=info.filename):
                self.assertEqual(expected, info.date_time,
                                 f"expected date {expected}, got {info.date_time}")
                self.assertEqual((0, 0x20), (info.create_system, info.external_attr),
                                 "expected MS-DOS entries with the archive attribute only, got "
                                 f"system {info.create_system}, attributes "
                                 f"{info.external_attr:#x}")
                self.assertEqual(b"", info.extra, f"expected no extra field, got {info.extra!r}")


class Readme(unittest.TestCase):
    def setUp(self):
        self.raw = read(ARGS["readme"])

    def test_is_utf8_with_a_byte_order_mark_and_crlf_line_ends(self):
        self.assertTrue(self.raw.startswith(b"\xef\xbb\xbf"),
                        f"expected a UTF-8 byte-order mark, got {self.raw[:3]!r}")
        self.raw.decode("utf-8")
        lone = [m.start() for m in re.finditer(rb"\r(?!\n)|(?<!\r)\n", self.raw)]
        self.assertEqual([], lone, f"expected CR LF line ends only, got lone CR or LF at {lone}")

    def test_tells_buttons_rights_backup_and_checksum_in_chinese_then_english(self):
        text = self.raw[3:].decode("utf-8")
        chinese, english = text.index("【中文】"), text.index("【English】")
        self.assertLess(chinese, english, "expected the Chinese part before the English one")
        parts = {"Chinese": text[chinese:english], "English": text[english:]}
        zip_name = os.path.basename(ARGS["zip"])
        needed = {
            "Chinese": ["读取", "保存", "备份", "初始化", "清空", "添加", "获取Host", "捐赠支持",
                        "管理员", "Host_Bak", f"certutil -hashfile {zip_name} SHA256",
                        "Get-FileHash"],
            "English": ["读取 Read", "保存 Save", "备份 Backup", "初始化 Initialize",
                        "清空 Clear", "添加 Add", "获取Host Get Host", "捐赠支持 Donate",
                        "Administrator", "Host_Bak", f"certutil -hashfile {zip_name} SHA256",
                        "Get-FileHash"],
        }
        for part, words in needed.items():
            for word in words:
                with self.subTest(part=part, word=word):
                    self.assertIn(word, parts[part],
                                  f"expected the {part} part to mention {word!r}, it does not")


class Sums(unittest.TestCase):
    def test_name_both_release_files_with_their_sha256(self):
        with open(ARGS["sums"], encoding="ascii", newline="") as f:
            lines = f.read().split("\n")
        self.assertEqual("", lines.pop(), "expected SHA256SUMS to end with a line end")
        listed = {}
        for line in lines:
            match = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
            self.assertIsNotNone(match, f"expected 'sha256  name', got {line!r}")
            listed[match.group(2)] = match.group(1)
        files = {os.path.basename(p): p for p in (ARGS["zip"], ARGS["setup"])}
        self.assertEqual(sorted(files), sorted(listed),
                         f"expected sums of {sorted(files)}, got {sorted(listed)}")
        for name, path in files.items():
            with self.subTest(name=name):
                actual = hashlib.sha256(read(path)).hexdigest()
                self.assertEqual(actual, listed[name],
                                 f"expected the listed sum of {name} to be {actual}, "
                                 f"got {listed[name]}")


if __name__ == "__main__":
    if len(sys.argv) != 7:
        sys.exit(__doc__)
    ARGS.update(zip(("exe", "readme", "zip", "setup", "sums", "epoch"), sys.argv[1:]))
    unittest.main(argv=sys.argv[:1], verbosity=2)
