"""Version resources through pages under Wine: stamping a program with SetPEFileVerInfo and
reading it back with GetPEFileVerInfo, files that must stay as they were (the running program,
a locked one, one that is no program, a missing one), and a program stamped by the pack tool."""
import hashlib
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PACK = os.path.join(ROOT, "tools", "webshell-pack")
KEYS = ["CompanyName", "ProductName", "InternalName", "OriginalFilename", "FileDescription", "FileVersion",
        "ProductVersion", "LegalCopyright"]


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def js_path(path):
    return harness.windows_path(path).replace("\\", "\\\\")


def resinfo(program):
    return harness.run(harness.options.resinfo, harness.windows_path(program), "IDR_MAINFRAM").stdout.splitlines()


class VersionResources(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-version-")

    def copy_of_plain_program(self, name):
        path = os.path.join(self.folder, name)
        with open(harness.options.plain, "rb") as source, open(path, "wb") as target:
            target.write(source.read())
        return path

    def test_stamp_and_read_back_and_files_that_stay_as_they_were(self):
        target = self.copy_of_plain_program("target.exe")
        locked = self.copy_of_plain_program("locked.exe")
        notes = os.path.join(self.folder, "notes.txt")
        with open(notes, "w") as f:
            f.write("not a program")
        values = ["Quillmoor", "Harbor", "harbor", "harbor.exe", "The harbor", "1.2.3.4", "70000.1.1.1",
                  "(c) 2026 Quillmoor"]
        script = """
            var target = '%s', locked = '%s', notes = '%s', folder = '%s';
            var keys = %s, values = %s;
            console.log('before ' + GetPEFileVerInfo(target, 'FileVersion'));
            console.log('set ' + typeof SetPEFileVerInfo.apply(null, [target].concat(values)));
            for (var i = 0; i < keys.length; i++) console.log('got ' + keys[i] + '=' + GetPEFileVerInfo(target, keys[i]));
            console.log('got Comments=' + GetPEFileVerInfo(target, 'Comments'));
            var self = GetProcessPath();
            console.log('self ' + GetPEFileVerInfo(self, 'FileVersion'));
            SetPEFileVerInfo.apply(null, [self].concat(values));
            SetPEFileVerInfo.apply(null, [locked].concat(values));
            SetPEFileVerInfo.apply(null, [notes].concat(values));
            SetPEFileVerInfo.apply(null, [folder + 'missing.exe'].concat(values));
            console.log('missing ' + GetPEFileVerInfo(folder + 'missing.exe', 'FileVersion'));
            console.log('self after ' + GetPEFileVerInfo(self, 'FileVersion'));
            console.log('locked after ' + GetPEFileVerInfo(locked, 'FileVersion'));
            PostMessage('', WM_CLOSE, 0, 0);
        """ % (js_path(target), js_path(locked), js_path(notes), js_path(self.folder + os.sep),
               repr(KEYS), repr(values))
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        before = {path: digest(path) for path in (app.exe, locked, notes)}
        ready = os.path.join(self.folder, "lock-ready")
        holder = subprocess.Popen([harness.WINE_RUN, harness.options.file_lock, harness.windows_path(locked), "12000",
                                   harness.windows_path(ready)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 20
            while not os.path.exists(ready) and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertTrue(os.path.exists(ready))
            self.assertEqual(app.run(), 1)
            log = app.log()
            self.assertIn("before undefined", log)
            self.assertIn("set undefined", log)
            for key, value in zip(KEYS, values):
                self.assertIn("got %s=%s" % (key, value), log)
            self.assertIn("got Comments=undefined", log)
            self.assertIn("self 1.0.0.0", log)
            self.assertIn("self after 1.0.0.0", log)
            self.assertIn("missing undefined", log)
            # The running program, the locked one and the text file are byte for byte as before.
            for path, was in before.items():
                self.assertEqual(digest(path), was, path)
        finally:
            holder.wait(60)
        self.assertIn("locked after undefined", log)
        # The fixed record holds 70000 cut to 16 bits for the product version; the file version
        # is 1.2.3.4. No temporary copy was left beside the files.
        self.assertIn("version 1.2.3.4", resinfo(target))
        leftovers = [name for name in os.listdir(self.folder) if name.lower().endswith(".tmp")]
        self.assertEqual(leftovers, [])

    def test_a_program_stamped_by_the_pack_tool_shows_its_version(self):
        pages = os.path.join(self.folder, "pages")
        os.makedirs(pages)
        script = """
            var self = GetProcessPath();
            var keys = %s;
            for (var i = 0; i < keys.length; i++) console.log('got ' + keys[i] + '=' + GetPEFileVerInfo(self, keys[i]));
            PostMessage('', WM_CLOSE, 0, 0);
        """ % repr(KEYS)
        with open(os.path.join(pages, "exe.zip.index.html"), "w") as f:
            f.write(page(script))
        program = os.path.join(self.folder, "harbor.exe")
        packed = subprocess.run([sys.executable, PACK, "--host", harness.options.host, "--engine", harness.options.engine,
                                 "--pages", pages, "-o", program, "--version", "2.5.0.17", "--product",
                                 "Harbor Launcher"], capture_output=True, text=True)
        self.assertEqual(packed.returncode, 0, packed.stderr)
        console = os.path.join(self.folder, "console.log")
        process = subprocess.run([harness.WINE_RUN, program], capture_output=True, timeout=60,
                                 env={**os.environ, "WEBSHELL_CONSOLE": harness.windows_path(console)})
        self.assertEqual(process.returncode, 1)
        with open(console, encoding="utf-8") as f:
            log = [line.rstrip("\n")[6:] for line in f if line.startswith("[log] ")]
        for key, value in (("ProductName", "Harbor Launcher"), ("FileDescription", "Harbor Launcher"),
                           ("FileVersion", "2.5.0.17"), ("ProductVersion", "2.5.0.17"),
                           ("OriginalFilename", "harbor.exe"), ("InternalName", "harbor")):
            self.assertIn("got %s=%s" % (key, value), log)
        # The host's icon and manifest are still there beside the new version resource.
        info = resinfo(program)
        self.assertIn("version 2.5.0.17", info)
        self.assertEqual(info[0], "icon-group IDR_MAINFRAM 1")
        self.assertTrue(any(line.startswith("manifest <?xml") for line in info), info)


if __name__ == "__main__":
    harness.main(["--resinfo", "--file-lock", "--plain"])
