"""un7z under Wine with plugins\\7zC.dll on 7z archives the tests make with the machine's 7-Zip
program (7zz, 7z or 7za): every method and filter extracts byte-identical, progress ends with
done == total, hostile names stay inside the destination, damaged data leaves no file that looks
whole, a second call redirects the running extraction's progress, the library is looked for
again when it was missing, the arguments reach the library as the host promises, and the memory
a large extraction takes."""
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, tree  # noqa: E402
from harness import read_bytes as read  # noqa: E402

MIB = 1024 * 1024
# The library's reports at the end: how the extraction ended.
DONE, UNREADABLE, UNSUPPORTED, DAMAGED, UNWRITABLE = 0, 1, 2, 3, 4


def seven_zip():
    for name in ("7zz", "7z", "7za"):
        found = shutil.which(name)
        if found:
            return found
    return None


def content(size, seed):
    return random.Random(seed).randbytes(size)


def x86_like(size, seed):
    """Bytes with many CALL and JMP opcodes, so the x86 filter has addresses to convert."""
    rng = random.Random(seed)
    out = bytearray()
    while len(out) < size:
        out += bytes([rng.choice((0xE8, 0xE9, 0x90, 0x55, 0x8B))]) + struct.pack("<i", rng.randrange(-4096, 4096))
    return bytes(out[:size])


def make_7z(path, files, options=(), folders=()):
    """files: {relative name with "/": bytes}; options: 7-Zip switches."""
    source = tempfile.mkdtemp(prefix="webshell-7z-src-")
    try:
        for name, data in files.items():
            target = os.path.join(source, *name.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as handle:
                handle.write(data)
        for name in folders:
            os.makedirs(os.path.join(source, *name.split("/")), exist_ok=True)
        if os.path.exists(path):
            os.remove(path)
        subprocess.run([seven_zip(), "a", "-t7z", "-bso0", "-bsp0", *options, path, "."], cwd=source, check=True)
    finally:
        shutil.rmtree(source, True)


def rename_entries(path, names):
    """Gives entries names 7-Zip would not store: each placeholder (as stored, in an archive made
    with -mhc=off) becomes the name of the same length; the header CRCs are made right again."""
    data = bytearray(read(path))
    offset, size = struct.unpack_from("<QQ", data, 12)
    start, end = 32 + offset, 32 + offset + size
    header = bytes(data[start:end])
    for placeholder, name in names.items():
        assert len(placeholder) == len(name), (placeholder, name)
        old, new = placeholder.encode("utf-16-le"), name.encode("utf-16-le")
        assert header.count(old) == 1, placeholder
        header = header.replace(old, new)
    data[start:end] = header
    struct.pack_into("<I", data, 28, zlib.crc32(header))
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])))
    with open(path, "wb") as handle:
        handle.write(data)


def jobs_page(jobs, give_up_ms=120000, linger_ms=0):
    """Runs the jobs one after another; each is [archive, destination, prefix, reserved, number
    or null for the five-argument form]. A job ends at its report with done == total."""
    return page("""
        var jobs = %s;
        function next(i) {
          if (i == jobs.length) {
            console.log('all done');
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, %d);
            return;
          }
          var job = jobs[i];
          var started = Date.now();
          var callback = function (text, number, done, total) {
            console.log('report ' + i + ' ' + number + ' ' + done + ' ' + total + ' ' + (Date.now() - started) + ' ' +
                        JSON.stringify(text));
            if (done == total) { console.log('end ' + i); next(i + 1); }
          };
          var result = job[4] === null ? un7z(job[0], job[1], job[2], job[3], callback)
                                       : un7z(job[0], job[1], job[2], job[3], callback, job[4]);
          console.log('returned ' + result);
        }
        next(0);
        setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, %d);
    """ % (json.dumps(jobs), linger_ms, give_up_ms))


def reports(app, job=None, times=False):
    """(job, number, done, total, text) of every report, or of one job's; with times, the
    milliseconds from the job's call to each report instead."""
    found = []
    for line in app.values("report"):
        index, number, done, total, elapsed, text = line.split(" ", 5)
        if job is None or int(index) == job:
            found.append(int(elapsed) if times else (int(index), int(number), int(done), int(total), json.loads(text)))
    return found


@unittest.skipIf(seven_zip() is None, "no 7-Zip program (7zz, 7z or 7za) on this machine")
class Un7z(harness.FolderCase):
    FOLDER_PREFIX = "webshell-un7z-"

    def app(self, script, plugin="plugin"):
        app = App(self.folder, {"exe.zip.index.html": script})
        if plugin:
            os.makedirs(self.path("plugins"), exist_ok=True)
            shutil.copyfile(getattr(harness.options, plugin.replace("-", "_")), self.path("plugins", "7zC.dll"))
        return app

    def run_jobs(self, jobs, plugin="plugin", timeout=180):
        app = self.app(jobs_page(jobs), plugin)
        self.assertEqual(app.run(timeout=timeout), 1)
        self.assertNotIn("gave up", app.log())
        return app

    def assert_complete(self, app, job, total):
        """The job's reports: done rises below total while entries are written, then exactly one
        last report with done == total, number 0 and no text."""
        found = reports(app, job)
        self.assertTrue(found, job)
        for _, number, done, reported_total, text in found[:-1]:
            self.assertEqual((number, reported_total), (0, total))
            self.assertLess(done, total)
            self.assertNotEqual(text, "")
        self.assertEqual([d for _, _, d, _, _ in found[:-1]], sorted(d for _, _, d, _, _ in found[:-1]))
        self.assertEqual(found[-1][1:], (DONE, total, total, ""))
        return found

    def test_every_method_and_filter_extracts_byte_identical(self):
        files = {"a.txt": b"alpha " * 1000, "sub/deep/b.bin": content(3 * MIB + 12345, 1),
                 "code.exe": x86_like(2 * MIB + 3, 2), "empty.txt": b"", "z.txt": b"last"}
        total = sum(len(data) for data in files.values())
        methods = {"lzma": ["-m0=LZMA", "-ms=off"], "lzma2": ["-m0=LZMA2"], "solid": ["-m0=LZMA2", "-ms=on"],
                   "bcj": ["-mf=BCJ", "-m0=LZMA"], "bcj2": ["-mf=BCJ2"], "arm64": ["-mf=ARM64"],
                   "delta": ["-mf=Delta:4"], "copy": ["-m0=Copy"]}
        for name, options in methods.items():
            make_7z(self.path(name + ".7z"), files, options, folders=["emptydir"])
        # 7-Zip chose what was asked for.
        listing = subprocess.run([seven_zip(), "l", "-slt", self.path("bcj.7z")], capture_output=True, text=True)
        self.assertIn("BCJ", listing.stdout)
        jobs = [[self.win(name + ".7z"), self.win(name) + "\\", "", "", 0] for name in methods]
        # The prefix rules of unzip; no separator is added to the destination; five arguments.
        jobs.append([self.win("solid.7z"), self.win("part"), "sub/", "", None])
        app = self.run_jobs(jobs)
        self.assertEqual(app.values("returned"), ["undefined"] * len(jobs))
        for job, name in enumerate(methods):
            self.assertEqual(tree(self.path(name)), {"a.txt", "sub/", "sub/deep/", "sub/deep/b.bin", "code.exe",
                                                     "empty.txt", "z.txt", "emptydir/"}, name)
            for entry, data in files.items():
                self.assertEqual(read(self.path(name, *entry.split("/"))), data, (name, entry))
            found = self.assert_complete(app, job, total)
            # With no interval every piece written is reported.
            self.assertGreater(len(found), 4, name)
        self.assertEqual(read(self.path("partdeep", "b.bin")), files["sub/deep/b.bin"])
        self.assertFalse(os.path.exists(self.path("part")))
        self.assertEqual(reports(app, len(methods))[-1][1:], (DONE, len(files["sub/deep/b.bin"]),
                                                              len(files["sub/deep/b.bin"]), ""))

    def test_names_that_lead_out_of_the_destination_are_skipped(self):
        outside = self.path("outside")
        os.makedirs(outside)
        drive = harness.windows_path(outside)
        hostile = ["../up.txt", "..\\up2.txt", "sub/../../up3.txt", "sub\\..\\..\\up4.txt", "/abs.txt",
                   "\\abs2.txt", drive + "\\drive.txt", "Z:drive2.txt", "\\\\?\\" + drive + "\\device.txt",
                   "\\\\.\\" + drive + "\\dot.txt", "//localhost/share/unc.txt", "CON", "nul.txt", "sub/COM1",
                   "good1.txt:evil", "stream.txt::$DATA", "dots/.../up5.txt"]
        good = {"good1.txt": b"good one", "sub/fine.txt": b"fine", "good2/b.txt": b"good two"}
        # Every entry is stored flat under a placeholder and renamed, so the archive holds no
        # folder entries of its own.
        entries = [(name, b"x" * (index + 1)) for index, name in enumerate(hostile)] + list(good.items())
        files, names = {}, {}
        for index, (name, data) in enumerate(entries):
            placeholder = ("h%02d" % index + "q" * len(name))[:len(name)]
            files[placeholder] = data
            names[placeholder] = name
        make_7z(self.path("hostile.7z"), files, ["-mhc=off", "-m0=LZMA2"])
        rename_entries(self.path("hostile.7z"), names)
        os.makedirs(self.path("work", "dest"))
        drive_c = os.path.join(os.environ.get("WINEPREFIX", os.path.expanduser("~/.wine")), "drive_c")
        before, before_c, before_root = tree(self.folder), tree(drive_c), set(os.listdir("/"))
        jobs = [[self.win("hostile.7z"), self.win("work", "dest") + "\\", "", "", 0],
                [self.win("hostile.7z"), self.win("work", "sub") + "\\", "sub/", "", 0],
                [self.win("hostile.7z"), self.win("work", "plain"), "good", "", 0]]
        app = self.run_jobs(jobs)
        added = tree(self.folder) - before - {"console.log", "app.exe", "plugins/", "plugins/7zC.dll"}
        self.assertEqual(added, {"work/dest/good1.txt", "work/dest/sub/", "work/dest/sub/fine.txt", "work/dest/good2/",
                                 "work/dest/good2/b.txt", "work/sub/", "work/sub/fine.txt", "work/plain1.txt",
                                 "work/plain2/", "work/plain2/b.txt"})
        self.assertEqual(tree(outside), set())
        self.assertEqual(tree(drive_c) - before_c, set())
        self.assertEqual(set(os.listdir("/")) - before_root, set())
        for name, data in good.items():
            self.assertEqual(read(self.path("work", "dest", *name.split("/"))), data)
        # Skipped entries are not counted: the last report still has done == total.
        self.assertEqual(reports(app, 0)[-1][1:], (DONE, 20, 20, ""))
        self.assertEqual(reports(app, 1)[-1][1:], (DONE, 4, 4, ""))
        self.assertEqual(reports(app, 2)[-1][1:], (DONE, 16, 16, ""))

    def test_damaged_archives_end_with_the_last_report_and_no_whole_looking_file(self):
        bad = content(3 * MIB, 3)
        files = {"first.txt": b"first", "second.bin": bad, "third.txt": b"never"}
        total = sum(len(data) for data in files.values())
        # Stored data: the CRC fails only at the end of the entry, after three pieces were written.
        make_7z(self.path("crc.7z"), files, ["-m0=Copy"])
        data = bytearray(read(self.path("crc.7z")))
        at = data.find(bad)
        self.assertGreater(at, 0)
        data[at + len(bad) - 10] ^= 0x55
        with open(self.path("crc.7z"), "wb") as handle:
            handle.write(data)
        # Compressed data broken in the middle of the second entry.
        make_7z(self.path("lzma.7z"), files, ["-m0=LZMA2", "-ms=on"])
        data = bytearray(read(self.path("lzma.7z")))
        middle = 32 + (len(data) - 32) // 2
        data[middle:middle + 16] = bytes(b ^ 0xA5 for b in data[middle:middle + 16])
        with open(self.path("lzma.7z"), "wb") as handle:
            handle.write(data)
        with open(self.path("noise.7z"), "wb") as handle:
            handle.write(content(5000, 4))
        make_7z(self.path("cut.7z"), files, ["-m0=LZMA2"])
        data = read(self.path("cut.7z"))
        with open(self.path("cut.7z"), "wb") as handle:
            handle.write(data[:len(data) // 2])
        # A folder where a file should go: no write can ever succeed.
        make_7z(self.path("blocked.7z"), files, ["-m0=LZMA2"])
        os.makedirs(self.path("blocked", "second.bin"))
        names = ("crc", "lzma", "noise", "cut", "missing", "blocked")
        jobs = [[self.win(name + ".7z"), self.win(name) + "\\", "", "", 0] for name in names]
        app = self.run_jobs(jobs)
        for job, name in enumerate(("crc", "lzma")):
            # The damaged entry is gone, nothing after it was written, and the last report names
            # it with done == total.
            self.assertEqual(tree(self.path(name)), {"first.txt"}, name)
            found = reports(app, job)
            self.assertEqual(found[-1][1:], (DAMAGED, total, total, "second.bin"), name)
            self.assertTrue(all(done < total for _, _, done, _, _ in found[:-1]))
        # Stored data was written piece by piece before its CRC failed.
        self.assertGreater(len(reports(app, 0)), 3)
        for job, name in ((2, "noise"), (3, "cut"), (4, "missing")):
            self.assertEqual(reports(app, job), [(job, UNREADABLE, 0, 0, "")], name)
            self.assertFalse(os.path.exists(self.path(name)))
        # The writes were tried for a while, then the extraction ended with the entry named.
        self.assertEqual(tree(self.path("blocked")), {"first.txt", "second.bin/"})
        self.assertEqual(reports(app, 5)[-1][1:], (UNWRITABLE, total, total, "second.bin"))
        self.assertGreater(reports(app, 5, times=True)[-1], 3000)

    def test_a_second_call_for_a_running_archive_only_redirects_its_progress(self):
        make_7z(self.path("big.7z"), {"a.bin": content(24 * MIB, 5), "b.bin": content(MIB, 6)}, ["-m0=Copy"])
        archive, total = self.win("big.7z"), 25 * MIB
        script = page("""
            var archive = %s;
            var seen = {first: 0, second: 0};
            function second(text, number, done, total) {
              seen.second++;
              console.log('second ' + number + ' ' + done + ' ' + total);
              if (done == total) {
                // The record is idle again: this call extracts anew.
                un7z(archive, %s, '', '', function (t, n, d, all) {
                  console.log('third ' + n + ' ' + d + ' ' + all);
                  if (d == all) PostMessage('', WM_CLOSE, 0, 0);
                }, 0);
              }
            }
            un7z(archive, %s, '', '', function (text, number, done, total) {
              seen.first++;
              console.log('first ' + number + ' ' + done + ' ' + total);
              if (seen.first == 1) {
                // The library waits while this runs; give the second call's worker time to
                // take its place in the table before returning.
                un7z(archive, %s, '', '', second, 0);
                var until = Date.now() + 1000;
                while (Date.now() < until) {}
              }
            }, 0);
            setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, 120000);
        """ % (json.dumps(archive), json.dumps(self.win("third") + "\\"), json.dumps(self.win("one") + "\\"),
               json.dumps(self.win("two") + "\\")))
        app = self.app(script)
        self.assertEqual(app.run(timeout=180), 1)
        self.assertNotIn("gave up", app.log())
        first = [line.split() for line in app.values("first")]
        second = [line.split() for line in app.values("second")]
        self.assertEqual(len(first), 1)
        self.assertGreater(len(second), 3)
        self.assertEqual(second[-1], ["0", str(total), str(total)])
        self.assertLess(int(first[0][1]), int(second[0][1]))
        # One extraction only, into the first caller's destination.
        self.assertEqual(tree(self.path("one")), {"a.bin", "b.bin"})
        self.assertFalse(os.path.exists(self.path("two")))
        self.assertEqual(app.values("third")[-1], "0 %d %d" % (total, total))
        self.assertEqual(read(self.path("third", "b.bin")), content(MIB, 6))

    def test_a_missing_library_is_looked_for_again_at_the_next_call(self):
        make_7z(self.path("small.7z"), {"a.txt": b"alpha"})
        go = self.path("go")
        script = page("""
            var archive = %s;
            un7z(archive, %s, '', '', function () { console.log('early report'); }, 0);
            console.log('first called');
            var wait = setInterval(function () {
              if (!IsFileExists(%s)) return;
              clearInterval(wait);
              un7z(archive, %s, '', '', function (text, number, done, total) {
                console.log('report ' + number + ' ' + done + ' ' + total);
                if (done == total) setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 1000);
              }, 0);
            }, 100);
            setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, 60000);
        """ % (json.dumps(self.win("small.7z")), json.dumps(self.win("early") + "\\"), json.dumps(harness.windows_path(go)),
               json.dumps(self.win("later") + "\\")))
        app = self.app(script, plugin=None)
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("first called", timeout=60))
            time.sleep(2)
            os.makedirs(self.path("plugins"))
            shutil.copyfile(harness.options.plugin, self.path("plugins", "7zC.dll"))
            open(go, "w").close()
            self.assertEqual(process.wait(90), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertNotIn("gave up", app.log())
        self.assertNotIn("early report", app.log())
        self.assertFalse(os.path.exists(self.path("early")))
        self.assertEqual(app.values("report"), ["0 5 5"])
        self.assertEqual(read(self.path("later", "a.txt")), b"alpha")

    def test_the_library_receives_converted_paths_the_key_and_the_number(self):
        jobs = [["", "C:/out/", "img/", "pass/word", None], ["Z:/some/where.7z", "D:\\x", "", "", 7],
                ["Z:/some/where.7z", "", "", "", -5]]
        app = self.run_jobs(jobs, plugin="echo-plugin")
        program = self.win("app.exe")
        found = reports(app)
        self.assertEqual(len(found), 3)
        expected = [(program, "C:\\out\\", "img\\", "pass\\word", 300), ("Z:\\some\\where.7z", "D:\\x", "", "", 7),
                    ("Z:\\some\\where.7z", "", "", "", -5 & 0xFFFFFFFF)]
        for (job, number, done, total, text), (archive, destination, prefix, reserved, given) in zip(found, expected):
            self.assertEqual(text.split("|"), [archive, destination, prefix, reserved])
            self.assertEqual(number, given)
            key = zlib.crc32(archive.encode("utf-16-le"))
            self.assertEqual((done, total), (key, key))

    def peak_memory(self, archive, destination):
        """The largest resident set (KiB) of the program while it extracts."""
        app = self.app(jobs_page([[archive, destination, "", "", 0]], linger_ms=3000))
        return app.peak_resident_kib("all done", timeout=180)

    def test_a_large_solid_archive_is_extracted_with_little_more_than_its_dictionary(self):
        # A 16 MiB dictionary over 200 MiB in one solid block.
        make_7z(self.path("tiny.7z"), {"a.bin": bytes(MIB)}, ["-m0=LZMA2:d=16m"])
        pattern = content(MIB, 7)
        make_7z(self.path("large.7z"), {"a.bin": bytes(100 * MIB), "b.bin": pattern * 100},
                ["-m0=LZMA2:d=16m", "-ms=on", "-mmt=2"])
        small = self.peak_memory(self.win("tiny.7z"), self.win("tiny") + "\\")
        large = self.peak_memory(self.win("large.7z"), self.win("large") + "\\")
        self.assertEqual(os.path.getsize(self.path("large", "a.bin")), 100 * MIB)
        self.assertEqual(read(self.path("large", "b.bin")), pattern * 100)
        print("peak resident set: %d KiB for 1 MiB, %d KiB for 200 MiB" % (small, large), file=sys.stderr)
        self.assertLess(large - small, 40 * 1024, (small, large))


if __name__ == "__main__":
    harness.main(["--plugin", "--echo-plugin", "--file-lock"])
