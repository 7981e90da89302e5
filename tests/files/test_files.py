"""Files and folders driven by pages under Wine: probing missing files, checksums in one go and
piece by piece, tree listings, UTF-8 text, disk space by drive, deleting trees, shortcuts, and
the program's own locations."""
import json
import os
import shutil
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, windows_path  # noqa: E402


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


class Files(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-files-")
        self.data = os.path.join(self.folder, "data")
        os.makedirs(self.data)

    def win(self, *parts):
        return windows_path(os.path.join(self.data, *parts))

    def run_page(self, script, extra=None, **run):
        prelude = "var data = %s; function log(s) { console.log(s); }\n" % json.dumps(windows_path(self.data))
        files = {"exe.zip.index.html": page(prelude + script)}
        files.update(extra or {})
        app = App(self.folder, files)
        self.assertEqual(app.run(**run), 1)
        return app

    def test_probing_copying_moving_and_deleting(self):
        write(os.path.join(self.data, "five.bin"), b"12345")
        os.makedirs(os.path.join(self.data, "folder"))
        app = self.run_page(r"""
            var missing = data + '\\missing.bin', five = data + '\\five.bin';
            log('size missing ' + (GetFileSize(missing) === 18446744073709551615) + ' ' + GetFileSize(missing));
            log('size five ' + GetFileSize(five));
            log('exists ' + [IsFileExists(five), IsFileExists(missing), IsFileExists(data + '\\folder')].join(','));
            log('locked ' + [IsFileBeLock(five), IsFileBeLock(missing)].join(','));
            log('copy ' + [CopyFile(five, data + '\\copy.bin', 0), CopyFile(five, data + '\\copy.bin', 1),
                           CopyFile(missing, data + '\\x.bin', 0)].join(','));
            log('move ' + [MoveFileEx(data + '\\copy.bin', data + '\\moved.bin', 0),
                           MoveFileEx(data + '\\copy.bin', data + '\\moved.bin', 0)].join(','));
            log('delete ' + [DeleteFile(data + '\\moved.bin'), DeleteFile(data + '\\moved.bin')].join(','));
            PostMessage('', WM_CLOSE, 0, 0);
        """)
        self.assertEqual(app.values("size missing"), ["true 18446744073709552000"])
        self.assertEqual(app.values("size five"), ["5"])
        self.assertEqual(app.values("exists"), ["true,false,false"])
        self.assertEqual(app.values("locked"), ["false,true"])
        self.assertEqual(app.values("copy"), ["1,0,0"])
        self.assertEqual(app.values("move"), ["1,0"])
        self.assertEqual(app.values("delete"), ["1,0"])
        self.assertEqual(sorted(os.listdir(self.data)), ["five.bin", "folder"])

    def test_checksums_in_one_go_and_piece_by_piece(self):
        big = bytes((i * 31 + 7) & 0xFF for i in range(256)) * (9 * 4096)
        self.assertEqual(len(big), 9 * 1024 * 1024)
        write(os.path.join(self.data, "big.bin"), big)
        write(os.path.join(self.data, "empty.bin"), b"")
        app = self.run_page(r"""
            log('sync empty ' + GetFileCRC32(data + '\\empty.bin'));
            log('sync missing ' + GetFileCRC32(data + '\\missing.bin'));
            log('sync big ' + GetFileCRC32(data + '\\big.bin'));
            log('bad shape ' + GetFileCRC32(data + '\\big.bin', 5));
            var pending = 2;
            function finished() { if (--pending == 0) PostMessage('', WM_CLOSE, 0, 0); }
            log('started ' + GetFileCRC32(data + '/empty.bin', function (done, total, crc) {
              log('empty piece ' + done + ' ' + total + ' ' + crc);
            }));
            GetFileCRC32(data + '/big.bin', function (done, total, crc) {
              log('big piece ' + done + ' ' + total + ' ' + crc);
              if (done == total) finished();
            });
            setTimeout(finished, 1000);
        """)
        crc = zlib.crc32(big)
        self.assertEqual(app.values("sync empty"), ["0"])
        self.assertEqual(app.values("sync missing"), ["0"])
        self.assertEqual(app.values("sync big"), [str(crc)])
        self.assertEqual(app.values("bad shape"), ["false"])
        self.assertEqual(app.values("started"), ["true"])
        self.assertEqual(app.values("empty piece"), ["0 0 0"])
        pieces = [line.split() for line in app.values("big piece")]
        self.assertEqual([p[0] for p in pieces], ["4194304", "8388608", "9437184"])
        self.assertEqual({p[1] for p in pieces}, {"9437184"})
        self.assertEqual(pieces[0][2], str(zlib.crc32(big[:4194304])))
        self.assertEqual(pieces[2][2], str(crc))

    def test_file_list_breadth_first_with_patterns(self):
        tree = os.path.join(self.data, "tree")
        write(os.path.join(tree, "a.txt"), b"abc")
        write(os.path.join(tree, "b.log"), b"")
        write(os.path.join(tree, "sub", "c.txt"), b"")
        write(os.path.join(tree, "sub", "deeper", "d.txt"), b"")
        write(os.path.join(tree, "more.txt", "e.txt"), b"1234567")
        os.utime(os.path.join(tree, "a.txt"), (1500000000, 1600000000))
        app = self.run_page(r"""
            var root = data.replace(/\\/g, '/') + '/tree';
            function dump(name, list) {
              var n = 0;
              for (var i in list) {
                var e = list[i];
                log(name + ' ' + i + '|' + e.fp + '|' + e.fa + '|' + e.fs + '|' + e.ftc + '|' + e.fta + '|' + e.ftw);
                n++;
              }
              log(name + ' count ' + n + ' length ' + list.length);
            }
            log('started ' + GetFileList(root, '*.txt', function (list) {
              dump('txt', list);
              GetFileList(root, function (list) {
                dump('all', list);
                GetFileList(root + '/nothing', function (list) { dump('none', list); PostMessage('', WM_CLOSE, 0, 0); });
              });
            }));
        """)
        self.assertEqual(app.values("started"), ["true"])
        root = windows_path(tree)

        def entries(name):
            rows = [line.split("|") for line in app.values(name) if "|" in line]
            self.assertEqual([row[0] for row in rows], [str(i) for i in range(len(rows))])
            return {row[1]: row[2:] for row in rows}, [row[1] for row in rows]

        txt, _ = entries("txt")
        self.assertEqual(sorted(txt), sorted(root + "\\" + n for n in ("a.txt", "more.txt", "more.txt\\e.txt")))
        self.assertEqual(app.values("txt count"), ["3 length undefined"])
        every, order = entries("all")
        names = ("a.txt", "b.log", "sub", "more.txt", "sub\\c.txt", "sub\\deeper", "more.txt\\e.txt",
                 "sub\\deeper\\d.txt")
        self.assertEqual(sorted(every), sorted(root + "\\" + n for n in names))
        depths = [path[len(root):].count("\\") for path in order]
        self.assertEqual(depths, sorted(depths))
        self.assertTrue(all("/" not in path for path in order))
        attributes, size, _, _, written = every[root + "\\a.txt"]
        self.assertEqual((size, written), ("3", "1600000000"))
        self.assertFalse(int(attributes) & 0x10)
        self.assertTrue(int(every[root + "\\sub"][0]) & 0x10)
        self.assertEqual(every[root + "\\more.txt\\e.txt"][1], "7")
        self.assertEqual(app.values("none count"), ["0 length undefined"])

    def test_utf8_text_written_and_read(self):
        write(os.path.join(self.data, "bom-a.txt"), b"\xef\xbb\xbfa")
        write(os.path.join(self.data, "bom.txt"), b"\xef\xbb\xbf")
        write(os.path.join(self.data, "plain.txt"), "caf\u00e9".encode())
        os.makedirs(os.path.join(self.data, "is-a-folder"))
        app = self.run_page(r"""
            var target = data + '\\a\\b\\c.txt';
            log('first ' + WriteUTF8File(target, 'abc'));
            log('second ' + WriteUTF8File(target, '\u00e9t\u00e9'));
            log('failed ' + WriteUTF8File(data + '\\is-a-folder', 'abc'));
            log('read ' + ReadUTF8File(target));
            log('bom a [' + ReadUTF8File(data + '\\bom-a.txt') + ']');
            log('bare bom [' + ReadUTF8File(data + '\\bom.txt') + ']');
            log('missing [' + ReadUTF8File(data + '\\missing.txt') + ']');
            log('plain [' + ReadUTF8File(data + '\\plain.txt') + ']');
            log('packaged [' + ReadUTF8File('notes.txt') + ']');
            PostMessage('', WM_CLOSE, 0, 0);
        """, extra={"notes.txt": b"\xef\xbb\xbfin the package"})
        self.assertEqual(app.values("first"), ["6"])
        self.assertEqual(app.values("second"), ["8"])
        self.assertEqual(app.values("failed"), ["-1"])
        self.assertTrue(os.path.isdir(os.path.join(self.data, "a", "b")))
        with open(os.path.join(self.data, "a", "b", "c.txt"), "rb") as written:
            self.assertEqual(written.read(), b"\xef\xbb\xbf" + "\u00e9t\u00e9".encode())
        self.assertEqual(app.values("read"), ["\u00e9t\u00e9"])
        self.assertEqual(app.values("bom a"), ["[a]"])
        self.assertEqual(app.values("bare bom"), ["[]"])
        self.assertEqual(app.values("missing"), ["[]"])
        self.assertEqual(app.values("plain"), ["[caf\u00e9]"])
        self.assertEqual(app.values("packaged"), ["[in the package]"])

    def test_disk_space_is_asked_of_the_drive_root(self):
        link = os.path.join(os.environ["WINEPREFIX"], "dosdevices", "d:")
        made = None
        if not os.path.lexists(link):
            made = tempfile.mkdtemp(prefix="webshell-drive-d-", dir="/dev/shm")
            os.symlink(made, link)
        try:
            app = self.run_page(r"""
                function show(name, r) { log(name + ' ' + r.ui1 + ' ' + r.ui2 + ' ' + r.ui3); }
                show('deep', GetDiskFreeSpaceEx('D:\\x\\y'));
                show('root', GetDiskFreeSpaceEx('D:\\'));
                show('none', GetDiskFreeSpaceEx('Q:\\x'));
                PostMessage('', WM_CLOSE, 0, 0);
            """)
            stats = os.statvfs(os.path.realpath(link))
        finally:
            if made:
                os.remove(link)
                shutil.rmtree(made, ignore_errors=True)
        deep = [int(v) for v in app.values("deep")[0].split()]
        root = [int(v) for v in app.values("root")[0].split()]
        self.assertEqual(deep[1], root[1])
        expected_total = stats.f_blocks * stats.f_frsize
        self.assertGreater(deep[1], 0)
        self.assertLess(abs(deep[1] - expected_total), expected_total // 100 + 1)
        self.assertLessEqual(deep[0], deep[1])
        self.assertEqual(app.values("none"), ["0 0 0"])

    def test_delete_directory_and_shortcuts(self):
        write(os.path.join(self.data, "gone", "x", "y.txt"), b"y")
        write(os.path.join(self.data, "gone", "z.txt"), b"z")
        write(os.path.join(self.data, "target.exe"), b"MZ")
        app = self.run_page(r"""
            log('deleted ' + DeleteDirectory(data + '\\gone'));
            log('shortcut ' + CreateShortcut(data + '\\links\\new\\app.lnk', data + '\\target.exe', '-x 1',
                                             data, data + '\\target.exe', 2));
            PostMessage('', WM_CLOSE, 0, 0);
        """)
        self.assertEqual(app.values("deleted"), ["0"])
        self.assertFalse(os.path.exists(os.path.join(self.data, "gone")))
        self.assertEqual(app.values("shortcut"), ["undefined"])
        link = os.path.join(self.data, "links", "new", "app.lnk")
        self.assertTrue(os.path.isfile(link))
        result = harness.run(harness.options.link_reader, windows_path(link))
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        fields = dict(line.split("=", 1) for line in result.stdout.splitlines() if "=" in line)
        self.assertEqual(fields["path"].lower(), self.win("target.exe").lower())
        self.assertEqual(fields["arguments"], "-x 1")
        self.assertEqual(fields["folder"].lower(), windows_path(self.data).lower())
        self.assertEqual(fields["icon"].lower(), self.win("target.exe").lower() + ",2")

    def test_program_locations(self):
        cwd = os.path.join(self.folder, "cwd")
        os.makedirs(cwd)
        app = self.run_page(r"""
            log('current ' + GetCurrentDirectory());
            log('program ' + GetProcessPath());
            log('command ' + GetCommandLine());
            log('appdata ' + SHGetSpecialFolderLocation(0x1a));
            log('unknown ' + SHGetSpecialFolderLocation(0x7777));
            PostMessage('', WM_CLOSE, 0, 0);
        """, cwd=cwd)
        self.assertEqual(app.values("current")[0].lower().rstrip("\\"), windows_path(cwd).lower())
        self.assertEqual(app.values("program")[0].lower(), windows_path(os.path.join(self.folder, "app.exe")).lower())
        self.assertIn("app.exe", app.values("command")[0].lower())
        appdata = app.values("appdata")[0]
        self.assertRegex(appdata, r"^[A-Za-z]:\\")
        self.assertEqual(app.values("unknown"), ["undefined"])


if __name__ == "__main__":
    harness.main(extra_arguments=("--link-reader",))
