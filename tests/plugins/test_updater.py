"""Our updater plug-in (KV9_Updater.dll) driven by a page under Wine against a loopback HTTP
server: signed manifests accepted and refused, the download with progress, the .gz checked and
unpacked, a wrong SHA-256, a download resumed after the program was killed, pause and resume,
and the bandwidth limit."""
import gzip
import json
import os
import random
import shutil
import statistics
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "transfer"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402
from download_server import Server  # noqa: E402
from update_signing import keygen, manifest_for, signature  # noqa: E402

CLOSE = "PostMessage('', WM_CLOSE, 0, 0);"
MIB = 1024 * 1024


def driver_page(manifest_url, target, limit=0, pause_at=None, give_up_ms=120000):
    """Initialises updater "u", asks whether an update is needed, downloads, unpacks, logs."""
    return page("""
        var started = 0, paused = false;
        P2PUpdater_Init('u', %(manifest)s, %(target)s);
        console.log('pid ' + GetCurrentProcessId());
        console.log('local ' + P2PUpdater_GetLocalVersion('u'));
        console.log('asked ' + P2PUpdater_IsNeedUpdate('u', function (need) {
          var info = P2PUpdater_GetInfo('u');
          console.log('need ' + need + ' state ' + info.state + ' remote ' + P2PUpdater_GetRemoteVersion('u') +
                      ' size ' + P2PUpdater_GetDownloadSize('u'));
          if (!need) { %(close)s return; }
          if (%(limit)d) console.log('limit ' + P2PUpdater_SetLimit('u', %(limit)d, 0));
          started = Date.now();
          console.log('download ' + P2PUpdater_StartDownload('u'));
          var timer = setInterval(function () {
            var i = P2PUpdater_GetInfo('u');
            console.log('info ' + i.state + ' ' + i.speed + ' ' + i.progress + ' ' + (Date.now() - started));
            if (%(pause_at)s !== null && !paused && i.progress >= %(pause_at)s) {
              paused = true;
              console.log('pause ' + P2PUpdater_torrent_pause('u'));
              setTimeout(function () {
                console.log('paused ' + P2PUpdater_GetInfo('u').state + ' ' + P2PUpdater_GetWantedSizeDone('u'));
                setTimeout(function () {
                  console.log('still ' + P2PUpdater_GetInfo('u').state + ' ' + P2PUpdater_GetWantedSizeDone('u'));
                  console.log('resume ' + P2PUpdater_torrent_resume('u'));
                }, 1000);
              }, 1000);
            }
            if (i.state == 6) {
              clearInterval(timer);
              console.log('downloaded ' + (Date.now() - started) + ' ' + P2PUpdater_GetWantedSizeDone('u'));
              console.log('apply ' + P2PUpdater_ApplyGZ('u'));
              var applying = setInterval(function () {
                var a = P2PUpdater_GetInfo('u');
                console.log('applying ' + a.state + ' ' + P2PUpdater_GetApplyGZProgress('u'));
                if (a.state == 8 || a.state < 0) {
                  clearInterval(applying);
                  console.log('applied ' + a.state);
                  %(close)s
                }
              }, 50);
            } else if (i.state < 0) {
              clearInterval(timer);
              console.log('failed ' + i.state);
              %(close)s
            }
          }, 100);
        }, 0));
        setTimeout(function () { console.log('gave up'); %(close)s }, %(give_up)d);
    """ % {"manifest": json.dumps(manifest_url), "target": json.dumps(target), "limit": limit,
           "pause_at": "null" if pause_at is None else repr(pause_at), "close": CLOSE, "give_up": give_up_ms})


class Updater(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.mkdtemp(prefix="webshell-updater-keys-")
        cls.public = keygen(cls.keys)
        cls.other_keys = os.path.join(cls.keys, "other")
        keygen(cls.other_keys)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys, True)

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-updater-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        plugins = os.path.join(self.folder, "plugins")
        os.makedirs(plugins)
        shutil.copyfile(harness.options.updater, os.path.join(plugins, "KV9_Updater.dll"))
        shutil.copyfile(harness.options.kernel, os.path.join(plugins, "DownloadKernel.dll"))
        with open(os.path.join(self.folder, "update-key.pub"), "w") as key:
            key.write(self.public)
        self.final = os.path.join(self.folder, "out", "webshell.new.exe")
        self.server = Server()
        self.server.__enter__()
        self.addCleanup(self.server.__exit__)

    def publish(self, data, version="2.0.0.0", name="new.exe.gz", keys=None, manifest=None, signed=True):
        """Serves data and a manifest for it signed with keys; returns the manifest's URL."""
        self.server.files.put(name, data)
        manifest = manifest or manifest_for(data, self.server.url("/plain/" + name), version)
        self.server.files.put("manifest.json", manifest)
        if signed:
            self.server.files.put("manifest.json.sig", signature(keys or self.keys, manifest))
        return self.server.url("/plain/manifest.json")

    def app(self, manifest_url, **arguments):
        return App(self.folder, {"exe.zip.index.html": driver_page(manifest_url, harness.windows_path(self.final),
                                                                   **arguments)})

    def run_app(self, manifest_url, timeout=150, **arguments):
        app = self.app(manifest_url, **arguments)
        self.assertEqual(app.run(timeout=timeout), 1)
        self.assertNotIn("gave up", app.log())
        return app

    def requested(self, name):
        return [r for r in self.server.requests() if r["path"].endswith("/" + name)]

    def infos(self, app):
        return [line.split() for line in app.values("info")]

    def test_a_signed_newer_update_is_downloaded_checked_and_unpacked(self):
        data = random.Random(1).randbytes(3 * MIB) + b"MZ" * 1000
        packed = gzip.compress(data)
        app = self.run_app(self.publish(packed))
        log = app.log()
        self.assertIn("local 1.0.0.0", log)
        self.assertIn("asked true", log)
        self.assertIn("need 1 state 3 remote 2.0.0.0 size %d" % len(packed), log)
        self.assertIn("download true", log)
        self.assertIn("apply true", log)
        self.assertIn("applied 8", log)
        with open(self.final, "rb") as final:
            self.assertTrue(final.read() == data)
        self.assertFalse(os.path.exists(self.final + ".partial"))
        # Progress 0..1 while downloading, never going back, and the bytes on disk at the end.
        progress = [float(p) for s, _, p, _ in self.infos(app) if s == "4"]
        self.assertEqual(progress, sorted(progress))
        self.assertTrue(all(0 <= p < 1 for p in progress))
        self.assertIn("downloaded", " ".join(log))
        done = [line for line in log if line.startswith("downloaded ")][0].split()[2]
        self.assertEqual(int(done), len(packed))
        applying = [float(line.split()[2]) for line in log if line.startswith("applying ")]
        self.assertEqual(applying[-1], 1.0)
        self.assertEqual(applying, sorted(applying))

    def test_manifests_without_a_valid_signature_are_refused_and_nothing_is_downloaded(self):
        data = gzip.compress(b"new program" * 1000)
        url = self.server.url("/plain/new.exe.gz")
        good = manifest_for(data, url, "2.0.0.0")
        # A byte of the version changed after signing (2.0.0.0 -> 3.0.0.0).
        changed = good.replace(b'"2.0.0.0"', b'"3.0.0.0"')
        cases = [
            ("changed", dict(manifest=good), lambda: self.server.files.put("manifest.json", changed), "-3"),
            ("other key", dict(keys=self.other_keys), None, "-3"),
            ("unsigned", dict(signed=False), None, "-2"),
            ("signature of another manifest", dict(), lambda: self.server.files.put(
                "manifest.json.sig", signature(self.keys, changed)), "-3"),
        ]
        for name, arguments, after, state in cases:
            with self.subTest(name):
                self.server.files.content.pop("manifest.json.sig", None)
                manifest_url = self.publish(data, **arguments)
                if after:
                    after()
                app = self.run_app(manifest_url)
                self.assertIn("need 0 state %s remote  size 0" % state, app.log())
                self.assertEqual(self.requested("new.exe.gz"), [])
                self.assertFalse(os.path.exists(os.path.dirname(self.final)))

    def test_without_the_shipped_key_nothing_is_trusted(self):
        data = gzip.compress(b"new program")
        os.remove(os.path.join(self.folder, "update-key.pub"))
        app = self.run_app(self.publish(data))
        self.assertIn("need 0 state -4 remote  size 0", app.log())
        self.assertEqual(self.requested("new.exe.gz"), [])

    def test_a_version_that_is_not_newer_downloads_nothing(self):
        data = gzip.compress(b"same program")
        app = self.run_app(self.publish(data, version="1.0.0.0"))
        self.assertIn("need 0 state 2 remote 1.0.0.0 size %d" % len(data), app.log())
        self.assertEqual(self.requested("new.exe.gz"), [])

    def test_a_file_that_does_not_match_the_signed_sha256_is_refused_and_removed(self):
        data = gzip.compress(random.Random(2).randbytes(MIB))
        manifest = manifest_for(data, self.server.url("/plain/new.exe.gz"), "2.0.0.0", sha256_of=b"another file")
        app = self.run_app(self.publish(data, manifest=manifest))
        self.assertIn("failed -7", app.log())
        self.assertNotIn("apply true", app.log())
        self.assertEqual(os.listdir(os.path.dirname(self.final)), [])

    def test_a_file_larger_than_the_manifest_says_is_cut_off_and_refused(self):
        data = gzip.compress(random.Random(3).randbytes(3 * MIB))
        manifest = manifest_for(data[:100000], self.server.url("/plain/new.exe.gz"), "2.0.0.0")
        app = self.run_app(self.publish(data, manifest=manifest))
        self.assertIn("failed -7", app.log())
        out = os.path.dirname(self.final)
        self.assertEqual(os.listdir(out) if os.path.exists(out) else [], [])
        # One pass at most was asked for: the download stopped at the manifest's size.
        self.assertLessEqual(len(self.requested("new.exe.gz")), 1)

    def test_a_killed_download_resumes_on_the_next_start(self):
        data = random.Random(4).randbytes(8 * MIB)
        packed = gzip.compress(data, compresslevel=0)
        manifest_url = self.publish(packed)
        self.server.rate = 2 * MIB
        app = self.app(manifest_url)
        process = app.start()
        partial = self.final + ".gz"
        try:
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline and (not os.path.exists(partial) or os.path.getsize(partial) < 2 * MIB):
                time.sleep(0.05)
            self.assertGreaterEqual(os.path.getsize(partial), 2 * MIB)
            # Progress moves during the first pass too, before any byte of it is on disk.
            first_pass = (MIB - 1) / len(packed)
            progress = [float(p) for s, _, p, _ in self.infos(app) if s == "4"]
            self.assertTrue([p for p in progress if 0 < p < first_pass * 0.9], progress)
            # Ended at once, as a crash or power cut would.
            self.assertEqual(harness.run(harness.options.process_tool, "kill", harness.windows_path(app.exe)).returncode, 0)
            process.wait(30)
        finally:
            if process.poll() is None:
                process.kill()
        time.sleep(1)
        kept = os.path.getsize(partial)
        first_requests = len(self.requested("new.exe.gz"))
        self.server.rate = None
        app = self.run_app(manifest_url)
        self.assertIn("applied 8", app.log())
        later = self.requested("new.exe.gz")[first_requests:]
        self.assertEqual(later[0]["range"].split("=")[1].split("-")[0], str(kept))
        with open(self.final, "rb") as final:
            self.assertTrue(final.read() == data)

    def test_pause_stops_the_transfer_and_resume_finishes_it(self):
        data = random.Random(5).randbytes(6 * MIB)
        packed = gzip.compress(data, compresslevel=0)
        self.server.rate = 3 * MIB
        app = self.run_app(self.publish(packed), pause_at=0.2)
        log = app.log()
        self.assertIn("pause true", log)
        paused = [line.split() for line in log if line.startswith(("paused ", "still "))]
        self.assertEqual([p[1] for p in paused], ["5", "5"])
        # Nothing more arrives while paused.
        self.assertEqual(paused[0][2], paused[1][2])
        self.assertLess(int(paused[0][2]), len(packed))
        self.assertIn("resume true", log)
        self.assertIn("applied 8", log)
        with open(self.final, "rb") as final:
            self.assertTrue(final.read() == data)

    def test_the_bandwidth_limit_holds_over_20_mb(self):
        data = random.Random(6).randbytes(20 * 1000 * 1000)
        packed = gzip.compress(data, compresslevel=0)
        limit_kib = 1024
        app = self.run_app(self.publish(packed), limit=limit_kib, timeout=200)
        log = app.log()
        self.assertIn("limit 1", log)
        # The average rate while the transfer ran, from the page's own samples of the bytes
        # received (progress times size): from the first sample with bytes to the last one before
        # the file was complete, so neither the connection set-up nor the final SHA-256 check
        # counts.
        samples = [(int(ms), float(p) * len(packed)) for state, _, p, ms in self.infos(app) if state == "4"]
        samples = [sample for sample in samples if sample[1] > 0]
        (first_ms, first_bytes), (last_ms, last_bytes) = samples[0], samples[-1]
        self.assertGreater(last_ms - first_ms, 15000)
        self.assertGreater(last_bytes - first_bytes, 10 * MIB)
        rate = (last_bytes - first_bytes) / ((last_ms - first_ms) / 1000.0)
        limit = limit_kib * 1024
        downloaded_ms = int([line for line in log if line.startswith("downloaded ")][0].split()[1])
        print("limit %d B/s, measured %.0f B/s over %.0f bytes in %d ms (%.1f %%); whole download %d ms" % (
            limit, rate, last_bytes - first_bytes, last_ms - first_ms, 100.0 * rate / limit, downloaded_ms))
        self.assertLessEqual(rate, limit * 1.10)
        self.assertGreaterEqual(rate, limit * 0.90)
        speeds = [float(speed) for state, speed, _, _ in self.infos(app) if state == "4" and float(speed) > 0]
        self.assertGreater(len(speeds), 10)
        self.assertLess(abs(statistics.median(speeds) - limit), limit * 0.15)


if __name__ == "__main__":
    harness.main(["--updater", "--kernel", "--process-tool"])
