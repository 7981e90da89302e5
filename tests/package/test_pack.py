"""tools/webshell-pack: the program it writes is the host with a ZIP archive appended that holds
the pages and the engine, and a refused or failed run leaves no output behind."""
import argparse
import importlib.machinery
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

options = argparse.Namespace()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def page_names(pages):
    names = set()
    for folder, _, files in os.walk(pages):
        for name in files:
            names.add(os.path.relpath(os.path.join(folder, name), pages).replace(os.sep, "/"))
    return names


def load_tool():
    loader = importlib.machinery.SourceFileLoader("webshell_pack", options.tool)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("webshell_pack", loader))
    loader.exec_module(module)
    return module


class PackedByTheBuild(unittest.TestCase):
    """packed.exe, made at build time through webshell_pack() in CMake."""

    def test_starts_with_the_host_image(self):
        host = read(options.host)
        self.assertEqual(read(options.packed)[:len(host)], host)

    def test_holds_every_page_and_the_engine_deflated(self):
        with zipfile.ZipFile(options.packed) as archive:
            names = archive.namelist()
            self.assertEqual(sorted(names), sorted(page_names(options.pages) | {"wke.dll"}))
            self.assertEqual(len(names), len(set(names)))
            for name in page_names(options.pages):
                self.assertEqual(archive.read(name), read(os.path.join(options.pages, name)), name)
            self.assertEqual(archive.read("wke.dll"), read(options.engine))
            self.assertTrue(all(i.compress_type == zipfile.ZIP_DEFLATED for i in archive.infolist()))
            self.assertIsNone(archive.testzip())

    def test_archive_offsets_count_from_the_archive_itself(self):
        data = read(options.packed)
        end = data.rindex(b"PK\x05\x06")
        directory_size, directory_offset = struct.unpack("<II", data[end + 12:end + 20])
        host_size = len(read(options.host))
        self.assertEqual(host_size + directory_offset + directory_size, end)
        self.assertEqual(data[host_size:host_size + 4], b"PK\x03\x04")


class Tool(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="webshell-pack-test-")
        self.pages = os.path.join(self.work, "pages")
        shutil.copytree(options.pages, self.pages)
        self.output = os.path.join(self.work, "out", "app.exe")

    def tearDown(self):
        shutil.rmtree(self.work)

    def run_tool(self, *extra, pages=None):
        return subprocess.run(
            [sys.executable, options.tool, "--host", options.host, "--engine", options.engine,
             "--pages", pages or self.pages, "-o", self.output, *extra],
            capture_output=True, text=True)

    def leftovers(self):
        folder = os.path.dirname(self.output)
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def test_packs_nested_folders_with_slash_names(self):
        os.makedirs(os.path.join(self.pages, "a", "b"))
        with open(os.path.join(self.pages, "a", "b", "deep.txt"), "wb") as f:
            f.write(b"deep")
        result = self.run_tool()
        self.assertEqual(result.returncode, 0, result.stderr)
        with zipfile.ZipFile(self.output) as archive:
            self.assertEqual(archive.read("a/b/deep.txt"), b"deep")
            self.assertFalse(any(name.endswith("/") or "\\" in name for name in archive.namelist()))
        self.assertEqual(self.leftovers(), ["app.exe"])

    def test_refuses_pages_without_the_entry_page_and_writes_nothing(self):
        os.remove(os.path.join(self.pages, "exe.zip.index.html"))
        result = self.run_tool()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("exe.zip.index.html", result.stderr)
        self.assertFalse(os.path.exists(self.output))
        self.assertEqual(self.leftovers(), [])

    def test_a_refused_run_keeps_the_previous_output(self):
        self.assertEqual(self.run_tool().returncode, 0)
        before = read(self.output)
        os.remove(os.path.join(self.pages, "exe.zip.index.html"))
        self.assertNotEqual(self.run_tool().returncode, 0)
        self.assertEqual(read(self.output), before)
        self.assertEqual(self.leftovers(), ["app.exe"])

    def test_refuses_pages_that_would_hide_the_engine(self):
        with open(os.path.join(self.pages, "WKE.dll"), "wb") as f:
            f.write(b"not the engine")
        result = self.run_tool()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("WKE.dll", result.stderr)
        self.assertFalse(os.path.exists(self.output))

    def test_refuses_names_the_host_could_never_find(self):
        folder, name = "f" * 200, "n" * 56 + ".txt"
        long_name = folder + "/" + name
        self.assertEqual(len(long_name), 261)
        os.makedirs(os.path.join(self.pages, folder))
        with open(os.path.join(self.pages, folder, name), "wb") as f:
            f.write(b"x")
        result = self.run_tool()
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(long_name, result.stderr)
        self.assertFalse(os.path.exists(self.output))

    def test_refuses_a_host_that_is_no_executable(self):
        not_exe = os.path.join(self.work, "host.txt")
        with open(not_exe, "wb") as f:
            f.write(b"plain text")
        result = subprocess.run(
            [sys.executable, options.tool, "--host", not_exe, "--engine", options.engine,
             "--pages", self.pages, "-o", self.output], capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse(os.path.exists(self.output))

    def test_a_write_failing_halfway_leaves_no_partial_program(self):
        self.assertEqual(self.run_tool().returncode, 0)
        before = read(self.output)
        tool = load_tool()
        original = tool.shutil.copyfileobj

        def copy_then_fail(source, target, *args):
            original(source, target, *args)
            raise OSError("disk full")

        tool.shutil.copyfileobj = copy_then_fail
        try:
            with self.assertRaises(OSError):
                tool.pack(options.host, options.engine, self.pages, self.output)
        finally:
            tool.shutil.copyfileobj = original
        self.assertEqual(read(self.output), before)
        self.assertEqual(self.leftovers(), ["app.exe"])


def main():
    parser = argparse.ArgumentParser()
    for name in ("--tool", "--packed", "--host", "--engine", "--pages"):
        parser.add_argument(name, required=True)
    known, rest = parser.parse_known_args()
    vars(options).update(vars(known))
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    sys.exit(0 if program.result.wasSuccessful() and program.result.testsRun > 0 else 1)


if __name__ == "__main__":
    main()
