"""curl_http_download under Wine against a real HTTP server on loopback: passes and the state
file, resumption after the program is killed, a file that changes on the server, error answers,
unknown lengths, servers without ranges, stalls, https, and the progress calls a page gets."""
import hashlib
import json
import os
import random
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402
from download_server import Server  # noqa: E402

MIB = 1024 * 1024


def content(size, seed):
    return random.Random(seed).randbytes(size)


def sha(data):
    return hashlib.sha256(data).hexdigest()


def download_page(url, target, interval=100, give_up_ms=60000, callback=None):
    callback = callback or """function (d, t) {
              console.log('progress ' + d + ' ' + t + ' ' + (Date.now() - started) + ' ' + typeof d);
              if (d == t) { console.log('complete ' + GetFileSize(target)); PostMessage('', WM_CLOSE, 0, 0); }
            }"""
    return page("""
        var target = %s;
        var started = Date.now();
        console.log('pid ' + GetCurrentProcessId());
        console.log('returned ' + curl_http_download(%s, target, %s, %d));
        setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, %d);
    """ % (json.dumps(harness.windows_path(target)), json.dumps(url), callback, interval, give_up_ms))


class Download(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-download-")
        self.target = os.path.join(self.folder, "files", "game.pak")

    def run_page(self, url, timeout=90, **arguments):
        app = App(self.folder, {"exe.zip.index.html": download_page(url, self.target, **arguments)})
        self.assertEqual(app.run(timeout=timeout), 1)
        return app

    def progress(self, app):
        return [tuple(line.split()) for line in app.values("progress")]

    def state(self):
        with open(self.target + ".json", "rb") as state:
            return state.read()

    def expected_state(self, total, downloaded, url, etag):
        members = {"size_all": total, "size_downloaded": downloaded, "url": url, "validator": etag}
        return (json.dumps(members, separators=(",", ":"), sort_keys=True) + "\n").encode()

    def read_target(self):
        with open(self.target, "rb") as target:
            return target.read()

    def test_three_million_bytes_in_passes_with_the_state_file_after_each(self):
        data = content(3000000, 1)
        with Server() as server:
            server.files.put("game.pak", data)
            url = server.url("/plain/game.pak")
            etag = server.files.etags["game.pak"]
            seen = []

            def look_at_disk(entry):
                # A pass after the first starts where the file on disk ends, as the state file says.
                offset = int(entry["range"][6:].split("-")[0])
                if offset > 0:
                    seen.append((offset, os.path.getsize(self.target), self.state()))

            server.on_request = look_at_disk
            app = self.run_page(url)
            requests = server.requests()
            server.on_request = None
            # Already complete: one call with downloaded == total, and the server hears nothing.
            again = self.run_page(url)
            self.assertEqual(len(server.requests()), len(requests))
        self.assertGreaterEqual(len(requests), 3)
        # Each pass asks for the bytes it keeps, under 1 MiB, from where the file ends.
        self.assertEqual(requests[0]["range"], "bytes=0-1048574")
        self.assertEqual(len(seen), len(requests) - 1)
        previous = 0
        for index, (offset, size, state) in enumerate(seen):
            self.assertEqual(size, offset)
            self.assertLessEqual(offset - previous, MIB - 1)
            previous = offset
            self.assertEqual(state, self.expected_state(3000000, offset, url, etag))
            self.assertEqual(requests[index + 1]["if_range"], etag)
        self.assertEqual(sha(self.read_target()), sha(data))
        self.assertEqual(self.state(), self.expected_state(3000000, 3000000, url, etag))
        log = app.log()
        self.assertIn("complete 3000000", log)
        self.assertNotIn("gave up", log)
        # Numbers, and downloaded == total only in the last call.
        progress = self.progress(app)
        self.assertTrue(all(kind == "number" for _, _, _, kind in progress))
        self.assertEqual([(d, t) for d, t, _, _ in progress].count(("3000000", "3000000")), 1)
        self.assertEqual(progress[-1][:2], ("3000000", "3000000"))
        self.assertEqual([p[:2] for p in self.progress(again)], [("3000000", "3000000")])

    def test_killed_again_and_again_the_file_ends_byte_identical(self):
        data = content(16 * MIB + 12345, 2)
        chooser = random.Random(7)
        with Server() as server:
            server.files.put("game.pak", data)
            url = server.url("/slow/game.pak")
            app = App(self.folder, {"exe.zip.index.html": download_page(url, self.target)})
            kills = 0
            for _ in range(6):
                process = app.start()
                try:
                    self.assertTrue(app.wait_for_line("returned undefined"))
                    time.sleep(chooser.uniform(0.2, 1.0))
                    program = harness.windows_path(app.exe)
                    if process.poll() is None and harness.run(harness.options.process_tool, "kill", program).returncode == 0:
                        kills += 1
                    process.wait(30)
                finally:
                    if process.poll() is None:
                        process.kill()
            self.assertGreaterEqual(kills, 5)
            self.run_page(url, timeout=120)
            self.assertGreater(len(server.requests()), 6)
        self.assertEqual(sha(self.read_target()), sha(data))

    def test_a_file_changed_on_the_server_is_never_mixed_with_the_old(self):
        old = content(3 * MIB, 3)
        new = content(3 * MIB + 500, 4)
        for mode in ("plain", "noifrange"):
            with self.subTest(mode=mode), Server() as server:
                for name in ("game.pak.json", "game.pak"):
                    if os.path.exists(os.path.join(self.folder, "files", name)):
                        os.remove(os.path.join(self.folder, "files", name))
                server.files.put("game.pak", old)
                server.rate = 2 * MIB
                url = server.url("/%s/game.pak" % mode)
                # The first run ends after the first pass: the page closes at once.
                self.run_page(url, callback="function (d, t) { if (IsFileExists(target + '.json')) "
                                            "PostMessage('', WM_CLOSE, 0, 0); }", interval=10)
                partial = os.path.getsize(self.target)
                self.assertGreater(partial, 0)
                self.assertLess(partial, len(old))
                server.files.put("game.pak", new)
                server.rate = None
                app = self.run_page(url)
                self.assertIn("complete %d" % len(new), app.log())
                self.assertEqual(sha(self.read_target()), sha(new))

    def test_error_answers_and_unreachable_servers_add_nothing_and_never_complete(self):
        with Server() as server:
            closed_port = Server()
            unreachable = closed_port.url("/plain/game.pak")
            closed_port.httpd.server_close()
            for url in (server.url("/status/404"), server.url("/status/500"), unreachable):
                with self.subTest(url=url):
                    app = self.run_page(url, give_up_ms=4000)
                    self.assertEqual(app.values("progress"), [])
                    self.assertIn("gave up", app.log())
                    self.assertFalse(os.path.exists(self.target) and os.path.getsize(self.target) > 0)
            # Failing passes back off instead of spinning: a handful of requests in four seconds.
            self.assertLessEqual(len(server.requests("/status/500")), 6)

    def test_a_briefly_held_file_still_completes_and_an_unwritable_path_ends_the_download(self):
        data = content(4 * MIB, 10)
        with Server() as server:
            server.files.put("game.pak", data)
            server.rate = 2 * MIB
            url = server.url("/plain/game.pak")
            ready = os.path.join(self.folder, "locked")
            holder = []

            def hold_after_first_pass(entry):
                # Another program holds the target for a second and a half once the first pass
                # is on disk: the next append waits for it.
                if not holder and entry["range"] and not entry["range"].startswith("bytes=0-"):
                    holder.append(subprocess.Popen(
                        [harness.WINE_RUN, harness.options.file_lock, harness.windows_path(self.target), "1500",
                         harness.windows_path(ready)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

            server.on_request = hold_after_first_pass
            app = self.run_page(url)
            self.assertEqual(holder[0].wait(30), 0)
            self.assertTrue(os.path.exists(ready))
            self.assertIn("complete %d" % len(data), app.log())
            self.assertEqual(sha(self.read_target()), sha(data))
            counts = [int(d) for d, _, _, _ in self.progress(app)]
            self.assertEqual(counts, sorted(counts), "the count went back while the append waited")

            # A target below a plain file can never be written: the download ends after the
            # first pass instead of asking the server again and again.
            server.on_request = None
            server.rate = None
            blocker = os.path.join(self.folder, "blocker")
            open(blocker, "w").close()
            before = len(server.requests())
            app = App(self.folder, {"exe.zip.index.html": download_page(
                url, os.path.join(blocker, "game.pak"), give_up_ms=12000)})
            self.assertEqual(app.run(timeout=60), 1)
            self.assertEqual(len(server.requests()) - before, 1)
            self.assertNotIn("complete", " ".join(app.log()))

    def test_unknown_length_no_ranges_and_stalls_still_give_the_whole_file(self):
        data = content(3 * MIB + 777, 5)
        for mode in ("chunked", "norange", "stall"):
            with self.subTest(mode=mode), Server() as server:
                for name in ("game.pak.json", "game.pak"):
                    if os.path.exists(os.path.join(self.folder, "files", name)):
                        os.remove(os.path.join(self.folder, "files", name))
                server.files.put("game.pak", data)
                app = self.run_page(server.url("/%s/game.pak" % mode))
                self.assertIn("complete %d" % len(data), app.log())
                self.assertEqual(sha(self.read_target()), sha(data))

    def test_a_deleted_state_file_restarts_from_zero(self):
        data = content(2 * MIB + 3, 6)
        os.makedirs(os.path.dirname(self.target))
        with open(self.target, "wb") as partial:
            partial.write(b"bytes of some earlier, unrelated download" * 1000)
        with Server() as server:
            server.files.put("game.pak", data)
            self.run_page(server.url("/plain/game.pak"))
            self.assertEqual(server.requests()[0]["range"], "bytes=0-1048574")
        self.assertEqual(sha(self.read_target()), sha(data))

    def test_interval_zero_reports_about_every_100_ms_and_one_parameter_gets_downloaded_only(self):
        data = content(4 * MIB, 8)
        with Server() as server:
            server.files.put("game.pak", data)
            app = self.run_page(server.url("/slow/game.pak"), interval=0, callback="""function (d) {
                console.log('progress ' + arguments.length + ' ' + d + ' ' + (Date.now() - started));
                if (d == GetFileSize(target) && d == %d) PostMessage('', WM_CLOSE, 0, 0);
              }""" % len(data))
        calls = [line.split() for line in app.values("progress")]
        self.assertTrue(all(arguments == "1" for arguments, _, _ in calls))
        times = [int(at) for _, _, at in calls]
        gaps = sorted(b - a for a, b in zip(times, times[1:]))
        self.assertGreater(len(gaps), 5)
        self.assertTrue(70 <= gaps[len(gaps) // 2] <= 200, gaps)

    def make_certificates(self):
        """A root authority of our own and a server certificate it signed for localhost (Wine's
        name check knows DNS names only, not addresses)."""
        def openssl(*arguments):
            subprocess.run(["openssl", *arguments], check=True, capture_output=True, cwd=self.folder)

        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
                "-subj", "/CN=webshell test authority")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out", "server.csr", "-subj",
                "/CN=localhost")
        with open(os.path.join(self.folder, "san.cnf"), "w") as extensions:
            extensions.write("subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\n")
        openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
                "server.pem", "-days", "2", "-extfile", "san.cnf")
        return [os.path.join(self.folder, name) for name in ("ca.pem", "server.pem", "server.key")]

    def test_https_takes_bytes_only_from_a_server_it_trusts(self):
        authority, certificate, key = self.make_certificates()
        data = content(2 * MIB + 5, 9)
        with Server(certificate=(certificate, key)) as server:
            server.files.put("game.pak", data)
            url = server.url("/plain/game.pak").replace("127.0.0.1", "localhost")
            # Signed by an authority the machine does not trust: not a single byte.
            app = self.run_page(url, give_up_ms=4000)
            self.assertEqual(app.values("progress"), [])
            self.assertFalse(os.path.exists(self.target) and os.path.getsize(self.target) > 0)
            self.assertGreater(len(server.requests()), 0)
            trust = harness.options.trust_tool
            self.assertEqual(harness.run(trust, "add", harness.windows_path(authority)).returncode, 0)
            try:
                app = self.run_page(url)
            finally:
                harness.run(trust, "remove", harness.windows_path(authority))
            self.assertIn("complete %d" % len(data), app.log())
        self.assertEqual(sha(self.read_target()), sha(data))


if __name__ == "__main__":
    harness.main(["--process-tool", "--trust-tool", "--file-lock"])
