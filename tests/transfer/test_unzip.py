"""unzip under Wine on archives the tests build with zipfile: which entries a prefix takes and
where they land, progress per 4 MiB chunk, the program's own package, folders and empty files,
names that try to leave the destination, damaged data, files that can never be written, and the
memory a large extraction takes, and a file another program holds for a while."""
import json
import os
import random
import struct
import subprocess
import sys
import time
import unittest
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, tree  # noqa: E402
from harness import read_bytes as read  # noqa: E402

MIB = 1024 * 1024
CHUNK = 4 * MIB


def content(size, seed):
    return random.Random(seed).randbytes(size)


def make_zip(path, entries, method=zipfile.ZIP_DEFLATED):
    """entries: (name, bytes) in order; a name is stored exactly as given."""
    with zipfile.ZipFile(path, "w", method) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0))
            info.compress_type = method
            archive.writestr(info, data)


def jobs_page(jobs, give_up_ms=60000, linger_ms=0, before=""):
    """Runs the script before, then the jobs one after another; each is [archive or null,
    prefix, destination]; null uses the 3-argument form. A job ends at its call with
    done == total or done < 0."""
    return page(before + """
        var jobs = %s;
        var started = 0;
        function next(i) {
          if (i == jobs.length) {
            console.log('all done');
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, %d);
            return;
          }
          var job = jobs[i];
          started = Date.now();
          var callback = function (d, t) {
            console.log('progress ' + i + ' ' + d + ' ' + t + ' ' + (Date.now() - started));
            if (d == t || d < 0) { console.log('end ' + i); next(i + 1); }
          };
          var result = job[0] === null ? unzip(job[1], job[2], callback) : unzip(job[0], job[1], job[2], callback);
          console.log('returned ' + result);
        }
        next(0);
        setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, %d);
    """ % (json.dumps(jobs), linger_ms, give_up_ms))


class Unzip(harness.FolderCase):
    FOLDER_PREFIX = "webshell-unzip-"

    def run_jobs(self, jobs, package=None, timeout=120, **arguments):
        files = {"exe.zip.index.html": jobs_page(jobs, **arguments)}
        files.update(package or {})
        app = App(self.folder, files)
        self.assertEqual(app.run(timeout=timeout), 1)
        self.assertNotIn("gave up", app.log())
        return app

    def progress(self, app, job):
        return [(int(d), int(t)) for i, d, t, _ in (line.split() for line in app.values("progress")) if i == str(job)]

    def test_prefixes_destinations_and_progress_per_chunk(self):
        big = content(CHUNK + 12345, 1)
        entries = [("a.txt", b"alpha"), ("images/u12.jpg", content(3000, 2)), ("img2/x.png", content(700, 3)),
                   ("sub/deep/big.bin", big), ("z.txt", b"last")]
        make_zip(self.path("set.zip"), entries)
        make_zip(self.path("small.zip"), [("a.txt", b"alpha")])
        archive = self.win("set.zip")
        jobs = [[archive, "", self.win("all") + "\\"],
                [archive, "images\\", self.win("back") + "\\"],
                [archive, "images/", self.win("slash") + "\\"],
                [archive, "images/u12.jpg", self.win("named") + "\\"],
                [self.win("small.zip"), "", self.win("out")],
                [archive, "IMG", self.win("case") + "\\"]]
        app = self.run_jobs(jobs)
        self.assertEqual(app.values("returned"), ["undefined"] * len(jobs))

        # Empty prefix: everything with its relative path, total the sum of all sizes, a call after
        # each chunk of at most 4 MiB, the last with done == total.
        total = sum(len(data) for _, data in entries)
        for name, data in entries:
            self.assertEqual(read(self.path("all", *name.split("/"))), data)
        self.assertEqual(self.progress(app, 0), [(5, total), (3005, total), (3705, total), (3705 + CHUNK, total),
                                                 (3705 + len(big), total), (total, total)])
        # images\ and images/ both put images/u12.jpg straight into the destination; the full name
        # as the prefix keeps the folder; nothing else is taken.
        for job, name in ((1, "back"), (2, "slash")):
            self.assertEqual(tree(self.path(name)), {"u12.jpg"})
            self.assertEqual(self.progress(app, job), [(3000, 3000)])
        self.assertEqual(tree(self.path("named")), {"images/", "images/u12.jpg"})
        self.assertEqual(self.progress(app, 3), [(3000, 3000)])
        # No separator is added: C:\out and a.txt give C:\outa.txt.
        self.assertEqual(read(self.path("outa.txt")), b"alpha")
        self.assertFalse(os.path.exists(self.path("out")))
        # A plain byte prefix, either case: IMG takes img2/x.png and leaves 2/x.png.
        self.assertEqual(tree(self.path("case")), {"2/", "2/x.png"})
        self.assertEqual(read(self.path("case", "2", "x.png")), entries[2][1])
        self.assertEqual(self.progress(app, 5), [(700, 700)])

    def test_the_programs_own_package_folders_and_empty_files(self):
        make_zip(self.path("shapes.zip"), [("emptydir/", b""), ("full/inner/", b""), ("empty.txt", b""),
                                           ("full/one.txt", b"one"), ("z.txt", b"zz")])
        os.makedirs(self.path("shapes"))
        with open(self.path("shapes", "empty.txt"), "wb") as old:
            old.write(b"an older file")
        jobs = [[None, "data/", self.win("own") + "\\"], [self.win("shapes.zip"), "", self.win("shapes") + "\\"]]
        package = {"data/first.txt": "first", "data/second/2.txt": "second!", "other.txt": "not this"}
        # With two arguments (or five) nothing is extracted, not even from the package.
        before = "console.log('two ' + unzip('data/', %s)); console.log('five ' + unzip(%s, '', %s, 0, 0));" % (
            json.dumps(self.win("two") + "\\"), json.dumps(self.win("shapes.zip")), json.dumps(self.win("five") + "\\"))
        app = self.run_jobs(jobs, package=package, before=before)
        self.assertEqual((app.values("two"), app.values("five")), (["undefined"], ["undefined"]))
        self.assertFalse(os.path.exists(self.path("two")) or os.path.exists(self.path("five")))
        self.assertEqual(tree(self.path("own")), {"first.txt", "second/", "second/2.txt"})
        self.assertEqual(read(self.path("own", "second", "2.txt")), b"second!")
        self.assertEqual(self.progress(app, 0), [(5, 12), (12, 12)])
        # Folder entries leave their folders; an empty file leaves no file (an older one is gone).
        self.assertEqual(tree(self.path("shapes")), {"emptydir/", "full/", "full/inner/", "full/one.txt", "z.txt"})
        self.assertEqual(self.progress(app, 1), [(3, 5), (5, 5)])

    def test_names_that_lead_out_of_the_destination_are_skipped(self):
        outside = self.path("outside")
        os.makedirs(outside)
        drive = harness.windows_path(outside).replace("\\", "/")
        hostile = [("good1.txt", b"good one"), ("../up.txt", b"x"), ("..\\up2.txt", b"x"), ("sub/../../up3.txt", b"x"),
                   ("sub/..\\..\\up4.txt", b"x"), ("/abs.txt", b"x"), ("\\abs2.txt", b"x"),
                   (drive + "/drive.txt", b"x"), ("Z:drive2.txt", b"x"), ("//?/" + drive + "/device.txt", b"x"),
                   ("\\\\.\\" + harness.windows_path(outside) + "\\dot.txt", b"x"),
                   ("//localhost/share/unc.txt", b"x"), ("CON", b"x"), ("nul.txt", b"x"), ("sub/COM1", b"x"),
                   ("good1.txt:evil", b"x"), ("stream.txt::$DATA", b"x"), ("dots/.../up5.txt", b"x"),
                   ("sub/fine.txt", b"fine"), ("good2/b.txt", b"good two")]
        make_zip(self.path("hostile.zip"), hostile)
        os.makedirs(self.path("work", "dest"))
        before = tree(self.folder)
        jobs = [[self.win("hostile.zip"), "", self.win("work", "dest") + "\\"],
                [self.win("hostile.zip"), "sub/", self.win("work", "sub") + "\\"],
                [self.win("hostile.zip"), "good", self.win("work", "plain")]]
        app = self.run_jobs(jobs)
        added = tree(self.folder) - before - {"console.log", "app.exe"}
        self.assertEqual(added, {"work/dest/good1.txt", "work/dest/sub/", "work/dest/sub/fine.txt", "work/dest/good2/",
                                 "work/dest/good2/b.txt", "work/sub/", "work/sub/fine.txt", "work/plain1.txt",
                                 "work/plain2/", "work/plain2/b.txt"})
        self.assertEqual(read(self.path("work", "dest", "good1.txt")), b"good one")
        self.assertEqual(tree(outside), set())
        # Skipped entries are not counted, so the last call still has done == total.
        self.assertEqual(self.progress(app, 0), [(8, 20), (12, 20), (20, 20)])
        self.assertEqual(self.progress(app, 1), [(4, 4)])
        self.assertEqual(self.progress(app, 2), [(8, 16), (16, 16)])

    def corrupt_crc(self, path, name):
        """Changes the recorded CRC-32 of entry name in both its local and central headers."""
        data = bytearray(read(path))
        with zipfile.ZipFile(path) as archive:
            info = archive.getinfo(name)
        wrong = struct.pack("<I", info.CRC ^ 0x5A5A5A5A)
        data[info.header_offset + 14:info.header_offset + 18] = wrong
        position = data.find(b"PK\x01\x02")
        while position >= 0:
            length = struct.unpack_from("<H", data, position + 28)[0]
            if data[position + 46:position + 46 + length] == name.encode():
                data[position + 16:position + 20] = wrong
            position = data.find(b"PK\x01\x02", position + 4)
        with open(path, "wb") as handle:
            handle.write(data)

    def test_damaged_data_and_unwritable_files_end_the_extraction_with_done_minus_one(self):
        bad = content(CHUNK + 5000, 4)
        for method in (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED):
            make_zip(self.path("crc%d.zip" % method), [("first.txt", b"first"), ("bad.bin", bad), ("after.txt", b"no")],
                     method)
            self.corrupt_crc(self.path("crc%d.zip" % method), "bad.bin")
        # Compressed data broken after the first chunk: inflating fails part way through the entry
        # (the place is one where zlib itself reports the data as invalid).
        words = random.Random(5)
        text = " ".join(words.choice(("lantern", "harbor", "quill", "moor", "tide", "rope")) for _ in range(1500000))
        text = text.encode()[:CHUNK + 700000]
        make_zip(self.path("inflate.zip"), [("first.txt", b"first"), ("text.txt", text), ("after.txt", b"no")])
        with zipfile.ZipFile(self.path("inflate.zip")) as archive:
            info = archive.getinfo("text.txt")
        data = bytearray(read(self.path("inflate.zip")))
        start = info.header_offset + 30 + len("text.txt")
        for broken in range(start + info.compress_size * 9 // 10, start + info.compress_size - 64, 101):
            attempt = bytearray(data[start:start + info.compress_size])
            attempt[broken - start:broken - start + 64] = b"\xff" * 64
            try:
                zlib.decompressobj(-15).decompress(bytes(attempt))
            except zlib.error:
                break
        else:
            self.fail("no place makes the data invalid")
        data[broken:broken + 64] = b"\xff" * 64
        with open(self.path("inflate.zip"), "wb") as handle:
            handle.write(data)
        make_zip(self.path("blocked.zip"), [("ok.txt", b"ok"), ("blocked.txt", b"never"), ("later.txt", b"no")])
        # A folder where the file should go: no write can ever succeed.
        os.makedirs(self.path("blocked", "blocked.txt"))
        jobs = [[self.win("crc0.zip"), "", self.win("crc0") + "\\"],
                [self.win("crc8.zip"), "", self.win("crc8") + "\\"],
                [self.win("blocked.zip"), "", self.win("blocked") + "\\"],
                [self.win("inflate.zip"), "", self.win("inflate") + "\\"]]
        app = self.run_jobs(jobs)
        total = 5 + len(bad) + 2
        for job, name in ((0, "crc0"), (1, "crc8")):
            # The damaged entry is removed, even after a whole chunk of it was written, and nothing
            # after it is extracted; the page never sees done == total.
            self.assertEqual(tree(self.path(name)), {"first.txt"})
            self.assertEqual(self.progress(app, job), [(5, total), (5 + CHUNK, total), (-1, total)])
        self.assertEqual(tree(self.path("blocked")), {"ok.txt", "blocked.txt/"})
        lines = [line.split() for line in app.values("progress") if line.startswith("2 ")]
        self.assertEqual([(int(d), int(t)) for _, d, t, _ in lines], [(2, 9), (-1, 9)])
        # The writes were retried for a while before giving up.
        self.assertGreater(int(lines[-1][3]), 3000)
        total = 5 + len(text) + 2
        self.assertEqual(tree(self.path("inflate")), {"first.txt"})
        # A chunk is reported once the read after it succeeded; here that read failed.
        self.assertEqual(self.progress(app, 3), [(5, total), (-1, total)])

    def test_a_file_another_program_holds_is_written_once_it_is_free(self):
        make_zip(self.path("held.zip"), [("held.txt", b"new")])
        os.makedirs(self.path("held"))
        held = self.path("held", "held.txt")
        with open(held, "wb") as old:
            old.write(b"an older and longer file")
        ready = self.path("ready")
        holder = subprocess.Popen([harness.WINE_RUN, harness.options.file_lock, harness.windows_path(held), "4000",
                                   harness.windows_path(ready)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            deadline = time.monotonic() + 30
            while not os.path.exists(ready) and time.monotonic() < deadline:
                time.sleep(0.05)
            self.assertTrue(os.path.exists(ready))
            job = [self.win("held.zip"), "", self.win("held") + "\\"]
            app = App(self.folder, {"exe.zip.index.html": jobs_page([job])})
            process = app.start()
            self.assertTrue(app.wait_for_line("returned undefined", timeout=30))
            self.assertIsNone(holder.poll(), "the lock was gone before the extraction began")
            self.assertEqual(process.wait(60), 1)
            self.assertEqual(holder.wait(30), 0)
        finally:
            if holder.poll() is None:
                holder.kill()
        self.assertEqual(self.progress(app, 0), [(3, 3)])
        self.assertEqual(read(held), b"new")

    def peak_memory(self, archive, destination):
        """The largest resident set (KiB) of the program while it extracts."""
        app = App(self.folder, {"exe.zip.index.html": jobs_page([[archive, "", destination]], linger_ms=3000)})
        return app.peak_resident_kib("all done", timeout=120)

    def test_a_large_archive_is_extracted_with_a_few_mib_of_memory(self):
        make_zip(self.path("tiny.zip"), [("a.bin", bytes(MIB))])
        make_zip(self.path("large.zip"), [("a.bin", bytes(200 * MIB))])
        small = self.peak_memory(self.win("tiny.zip"), self.win("tiny") + "\\")
        large = self.peak_memory(self.win("large.zip"), self.win("large") + "\\")
        self.assertEqual(os.path.getsize(self.path("large", "a.bin")), 200 * MIB)
        self.assertLess(large - small, 32 * 1024, (small, large))


if __name__ == "__main__":
    harness.main(["--file-lock"])
