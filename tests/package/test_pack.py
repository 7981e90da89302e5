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

    def test_a_version_given_to_the_build_is_stamped(self):
        block = Tool.version_block_of(self, options.stamped)
        self.assertEqual(struct.unpack_from("<II", block, 48), (0x00040003, 0x00020001))
        self.assertIn("Stamped by CMake\0".encode("utf-16-le"), block)
        with zipfile.ZipFile(options.stamped) as archive:
            self.assertIn("exe.zip.index.html", archive.namelist())

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

    def version_block_of(self, program):
        """The version block of program, found by walking its resource directory by hand."""
        data = read(program)
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        rva, _ = struct.unpack_from("<II", data, directories + 16)
        table = optional + optional_size
        headers = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

        def offset(target):
            for virtual_size, start, raw_size, raw_at in headers:
                if start <= target < start + max(virtual_size, raw_size):
                    return raw_at + target - start
            self.fail("RVA outside every section")

        base = offset(rva)

        def lookup(directory, wanted):
            named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
            found = []
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
                if wanted is None or name == wanted:
                    found.append((name, target & 0x7FFFFFFF))
            return found

        versions = lookup(0, 16)
        self.assertEqual(len(versions), 1)
        names = lookup(versions[0][1], None)
        self.assertEqual([name for name, _ in names], [1])
        languages = lookup(names[0][1], None)
        self.assertEqual([language for language, _ in languages], [1033])
        data_rva, size = struct.unpack_from("<II", data, base + languages[0][1])
        start = offset(data_rva)
        return data[start:start + size]

    def test_stamps_version_and_product_into_the_program(self):
        result = self.run_tool("--version", "1.2.3.4", "--product", "Harbor Launcher")
        self.assertEqual(result.returncode, 0, result.stderr)
        block = self.version_block_of(self.output)
        word = lambda at: struct.unpack_from("<H", block, at)[0]  # noqa: E731
        dword = lambda at: struct.unpack_from("<I", block, at)[0]  # noqa: E731
        self.assertEqual(word(0), len(block))
        self.assertEqual((word(2), word(4)), (52, 0))
        self.assertEqual(block[6:38], "VS_VERSION_INFO\0".encode("utf-16-le"))
        self.assertEqual(dword(40), 0xFEEF04BD)
        self.assertEqual((dword(48), dword(52), dword(56), dword(60)), (0x00010002, 0x00030004, 0x00010002, 0x00030004))
        self.assertEqual((dword(64), dword(72), dword(76)), (0x3F, 0x00040004, 1))
        self.assertEqual(block[98:128], "StringFileInfo\0".encode("utf-16-le"))
        self.assertEqual(block[134:152], "00090001\0".encode("utf-16-le"))
        self.assertEqual(word(92), len(block) - 68 - 92)
        self.assertEqual(word(128), len(block) - 68 - 128)
        # The string entries, in the order their sort keys give, each as long as its texts.
        at, found = 152, []
        while at < len(block) - 68:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            key_end = block.index(b"\0\0", at + 6)
            key_end += (key_end - at) % 2
            key = block[at + 6:key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) // 4 * 4
            value = block[value_at:value_at + 2 * (value_length - 1)].decode("utf-16-le")
            self.assertEqual(length, value_at + 2 * value_length - at, key)
            self.assertEqual(kind, 1)
            found.append((key, value))
            at = (at + length + 3) // 4 * 4
        self.assertEqual(at, len(block) - 68)
        self.assertEqual(found, [("LegalCopyright", ""), ("OriginalFilename", "app.exe"), ("FileVersion", "1.2.3.4"),
                                 ("ProductName", "Harbor Launcher"), ("InternalName", "app"), ("CompanyName", ""),
                                 ("FileDescription", "Harbor Launcher"), ("ProductVersion", "1.2.3.4")])
        tail = block[-68:]
        self.assertEqual(struct.unpack_from("<HHH", tail, 0), (68, 0, 1))
        self.assertEqual(tail[6:30], "VarFileInfo\0".encode("utf-16-le"))
        self.assertEqual(struct.unpack_from("<HHH", tail, 32), (36, 4, 0))
        self.assertEqual(tail[38:62], "Translation\0".encode("utf-16-le"))
        self.assertEqual(struct.unpack_from("<HH", tail, 64), (9, 1))
        # The package is still appended after the image.
        with zipfile.ZipFile(self.output) as archive:
            self.assertIn("exe.zip.index.html", archive.namelist())
        # Stamping a stamped program again leaves one version resource with the new values.
        host = os.path.join(self.work, "stamped-host.exe")
        shutil.copyfile(self.output, host)
        again = subprocess.run([sys.executable, options.tool, "--host", host, "--engine", options.engine,
                                "--pages", self.pages, "-o", self.output, "--version", "3"],
                               capture_output=True, text=True)
        self.assertEqual(again.returncode, 0, again.stderr)
        block = self.version_block_of(self.output)
        self.assertEqual(struct.unpack_from("<II", block, 48), (0x00030000, 0))

    def test_eight_empty_values_make_the_532_byte_block(self):
        tool = load_tool()
        keys = ["CompanyName", "ProductName", "InternalName", "OriginalFilename", "FileDescription", "FileVersion",
                "ProductVersion", "LegalCopyright"]
        block = tool.version_block([(key, "") for key in keys], [0] * 4, [0] * 4)
        self.assertEqual(len(block), 532)
        at, sizes = 152, []
        while at < 464:
            length = struct.unpack_from("<H", block, at)[0]
            step = (length + 3) // 4 * 4
            sizes.append(step)
            at += step
        self.assertEqual(sizes, [40, 44, 36, 36, 36, 36, 44, 40])

    def test_refuses_versions_it_cannot_stamp_and_writes_nothing(self):
        for version in ("1.2.3.4.5", "70000", "1.x", "", "-1", "1..2"):
            result = self.run_tool("--version", version)
            self.assertNotEqual(result.returncode, 0, version)
            self.assertIn("--version", result.stderr, version)
            self.assertFalse(os.path.exists(self.output), version)
        self.assertEqual(self.leftovers(), [])

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
    for name in ("--tool", "--packed", "--stamped", "--host", "--engine", "--pages"):
        parser.add_argument(name, required=True)
    known, rest = parser.parse_known_args()
    vars(options).update(vars(known))
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    sys.exit(0 if program.result.wasSuccessful() and program.result.testsRun > 0 else 1)


if __name__ == "__main__":
    main()
