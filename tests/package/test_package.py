#!/usr/bin/python3
"""Checks of the Windows packages that scripts/package made from build/win (scripts/test makes them
first): the zip's entries and read-me texts, the installer's target, and that packaging again gives
the same bytes. The installer's behaviour is tested under Wine by the end-to-end suite.

Prints "package: N passed, M failed" at the end and exits non-zero on a failure."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.join(ROOT, "build", "win")
DIST = os.path.join(ROOT, "dist")


def version():
    with open(os.path.join(BUILD, "generated", "kanjiforge_version.h"), encoding="utf-8") as f:
        return re.search(r'#define KF_VERSION_TEXT "([^"]+)"', f.read()).group(1)


VERSION = version()
NAME = f"Kanjiforge-{VERSION}"
ZIP = os.path.join(DIST, f"{NAME}-win64.zip")
SETUP = os.path.join(DIST, f"{NAME}-setup.exe")
READ_ME_JA = "はじめにお読みください.txt"


def pe_machine(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[offset:offset + 4] == b"PE\0\0", f"{path} is not a PE file"
    return struct.unpack_from("<H", data, offset + 4)[0]


class Package(unittest.TestCase):
    def test_zip_holds_the_program_tool_and_both_read_me_files(self):
        with zipfile.ZipFile(ZIP) as z:
            infos = {i.filename: i for i in z.infolist()}
            programs = {f"{NAME}/{n}" for n in ("Kanjiforge.exe", "Kanjiviewer.exe", "euftool.exe", "README.txt",
                                                READ_ME_JA)}
            self.assertEqual(sorted(n for n in infos if not n.startswith(f"{NAME}/manual/")), sorted(programs))
            # Windows' Explorer reads the name as UTF-8 only with this flag.
            self.assertTrue(infos[f"{NAME}/{READ_ME_JA}"].flag_bits & 0x800)
            with open(os.path.join(BUILD, "Kanjiforge.exe"), "rb") as f:
                self.assertEqual(z.read(f"{NAME}/Kanjiforge.exe"), f.read())
            with open(os.path.join(BUILD, "Kanjiviewer.exe"), "rb") as f:
                self.assertEqual(z.read(f"{NAME}/Kanjiviewer.exe"), f.read())
            with open(os.path.join(BUILD, "tools", "euftool.exe"), "rb") as f:
                self.assertEqual(z.read(f"{NAME}/euftool.exe"), f.read())
            for name in ("README.txt", READ_ME_JA):
                raw = z.read(f"{NAME}/{name}")
                self.assertNotIn(b"@VERSION@", raw, name)
                self.assertIn(f"{NAME}-setup.exe".encode(), raw, name)
                self.assertEqual(raw.count(b"\n"), raw.count(b"\r\n"), f"{name} has bare line feeds")
            ja = z.read(f"{NAME}/{READ_ME_JA}")
            self.assertTrue(ja.startswith(b"\xef\xbb\xbf"), "Notepad needs the byte order mark")
            self.assertIn("アンインストール", ja.decode("utf-8-sig"))

    def test_zip_holds_the_whole_manual(self):
        manual = os.path.join(BUILD, "manual")
        built = sorted(os.path.relpath(os.path.join(folder, name), manual).replace(os.sep, "/")
                       for folder, _, names in os.walk(manual) for name in names)
        # The pages help opens, and the pictures they show.
        for page in ("index.html", "editor.html", "layers.html", "troubleshooting.html", "images/editor.png"):
            self.assertIn(page, built)
        with zipfile.ZipFile(ZIP) as z:
            packed = sorted(n[len(f"{NAME}/manual/"):] for n in z.namelist() if n.startswith(f"{NAME}/manual/"))
            self.assertEqual(packed, built)
            for page in built:
                with open(os.path.join(manual, page), "rb") as f:
                    self.assertEqual(z.read(f"{NAME}/manual/{page}"), f.read(), page)
            self.assertIn('id="main-window"', z.read(f"{NAME}/manual/editor.html").decode("utf-8"))

    def test_programs_and_installer_are_64_bit(self):
        self.assertEqual(pe_machine(SETUP), 0x8664)
        self.assertEqual(pe_machine(os.path.join(BUILD, "Kanjiforge.exe")), 0x8664)

    def test_packaging_again_gives_the_same_bytes(self):
        keep = tempfile.mkdtemp(prefix="kf-package-")
        try:
            for path in (ZIP, SETUP):
                shutil.copy2(path, keep)
            run = subprocess.run([os.path.join(ROOT, "scripts", "package"), "--build-dir", BUILD],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertEqual(run.returncode, 0, run.stdout)
            for path in (ZIP, SETUP):
                with open(path, "rb") as again, open(os.path.join(keep, os.path.basename(path)), "rb") as first:
                    self.assertTrue(again.read() == first.read(), f"{os.path.basename(path)} differs")
        finally:
            shutil.rmtree(keep, ignore_errors=True)


if __name__ == "__main__":
    suite = unittest.defaultTestLoader.loadTestsFromModule(sys.modules[__name__])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    failed = len(result.failures) + len(result.errors)
    print(f"package: {result.testsRun - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
