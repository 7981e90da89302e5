"""The programs and libraries of a build, read from disk without running them: each is an image
of the build's architecture (PE32 x86 or PE32+ x86_64) with the subsystem it needs, imports only
system libraries, and the shipped program carries its package."""
import os
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import options  # noqa: E402

MACHINE = {"i686": 0x14C, "x86_64": 0x8664}
MAGIC = {"i686": 0x10B, "x86_64": 0x20B}
GUI = 2
SYSTEM_LIBRARIES = {"advapi32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll", "msvcrt.dll", "oleaut32.dll",
                    "ole32.dll", "shell32.dll", "user32.dll", "comdlg32.dll", "psapi.dll", "shlwapi.dll",
                    "version.dll", "setupapi.dll", "ws2_32.dll", "crypt32.dll", "bcrypt.dll", "windowscodecs.dll",
                    "msimg32.dll", "usp10.dll", "comctl32.dll"}


def headers(path):
    """(machine, optional-header magic, subsystem, is a DLL) read from the file's PE headers."""
    with open(path, "rb") as image:
        data = image.read(4096)
    assert data[:2] == b"MZ", path + " has no MZ header"
    nt = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[nt:nt + 4] == b"PE\0\0", path + " has no PE header"
    machine, = struct.unpack_from("<H", data, nt + 4)
    characteristics, = struct.unpack_from("<H", data, nt + 22)
    optional = nt + 24
    magic, = struct.unpack_from("<H", data, optional)
    subsystem, = struct.unpack_from("<H", data, optional + 68)
    return machine, magic, subsystem, bool(characteristics & 0x2000)


def imported_libraries(path):
    text = subprocess.run([options.objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    return {line.split(":", 1)[1].strip().lower() for line in text.splitlines() if line.strip().startswith("DLL Name:")}


class Images(unittest.TestCase):
    def check(self, path, subsystem=None, dll=False):
        machine, magic, found_subsystem, is_dll = headers(path)
        self.assertEqual(machine, MACHINE[options.arch], path)
        self.assertEqual(magic, MAGIC[options.arch], path)
        if subsystem:
            self.assertEqual(found_subsystem, subsystem, path)
        self.assertEqual(is_dll, dll, path)
        libraries = imported_libraries(path)
        self.assertTrue(libraries, path)
        self.assertLessEqual(libraries, SYSTEM_LIBRARIES, path)

    def test_shipped_program_and_host(self):
        self.check(options.shipped, GUI)
        self.check(options.host, GUI)

    def test_engine_and_plugin_are_libraries(self):
        self.check(options.engine, dll=True)
        self.check(options.hwid, dll=True)

    def test_langset_is_a_small_windowless_program_using_few_libraries(self):
        self.check(options.langset, GUI)
        self.assertLessEqual(imported_libraries(options.langset), {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "user32.dll"})
        self.assertLess(os.path.getsize(options.langset), 100 * 1024)

    def test_shipped_program_carries_its_package_with_this_builds_engine(self):
        pack = os.path.join(harness.ROOT, "tools", "webshell-pack")
        listed = subprocess.run([sys.executable, pack, "--list", options.shipped], capture_output=True, text=True)
        self.assertEqual(listed.returncode, 0, listed.stderr)
        names = listed.stdout.split()
        for name in ("exe.zip.index.html", "mainProcess.html", "main.html", "js/common.js", "wke.dll"):
            self.assertIn(name, names)
        import zipfile
        with zipfile.ZipFile(options.shipped) as package, open(options.engine, "rb") as engine:
            self.assertEqual(package.read("wke.dll"), engine.read())

    def test_the_host_alone_carries_no_package(self):
        pack = os.path.join(harness.ROOT, "tools", "webshell-pack")
        listed = subprocess.run([sys.executable, pack, "--list", options.host], capture_output=True, text=True)
        self.assertEqual(listed.returncode, 1)
        self.assertIn("carries no package", listed.stderr)


if __name__ == "__main__":
    harness.main(["--shipped", "--langset", "--hwid", "--objdump"])
