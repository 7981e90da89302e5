"""The launcher's update check end to end under Wine: launcher.ini names a signed manifest on a
loopback HTTP server that announces a newer build of the launcher itself (the same program
stamped with a higher version), packed as .gz. The launcher downloads it with progress, the
updater checks and unpacks it to webshell.new.exe, closing the launcher installs it, and the new
program starts and shows its version. Refused manifests download nothing, a wrong SHA-256
replaces nothing, and a download cut short by killing the program resumes on the next start."""
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "transfer"))
import harness  # noqa: E402
from harness import options, windows_path  # noqa: E402
from download_server import Server  # noqa: E402
from update_signing import keygen, manifest_for, signature  # noqa: E402
import test_launcher  # noqa: E402
from test_launcher import LauncherCase, crc, click, launcher_gone, window_info  # noqa: E402

PACK = os.path.join(harness.ROOT, "tools", "webshell-pack")
PACKAGE = os.path.join(harness.ROOT, "package")


def pack(output, version):
    subprocess.run([sys.executable, PACK, "--host", options.host, "--engine", options.engine, "--pages", PACKAGE,
                    "-o", output, "--version", version, "--product", "webshell"], check=True,
                   stdout=subprocess.DEVNULL)


class Build:
    """The old (1.0.0.0) and new (2.0.0.0) launcher programs and a key pair, made once."""
    folder = None

    @classmethod
    def make(cls):
        if cls.folder:
            return
        cls.folder = tempfile.mkdtemp(prefix="webshell-update-builds-")
        cls.old = os.path.join(cls.folder, "old.exe")
        cls.new = os.path.join(cls.folder, "new.exe")
        pack(cls.old, "1.0.0.0")
        pack(cls.new, "2.0.0.0")
        with open(cls.new, "rb") as new:
            cls.new_bytes = new.read()
        cls.packed = gzip.compress(cls.new_bytes)
        cls.keys = os.path.join(cls.folder, "keys")
        cls.other_keys = os.path.join(cls.folder, "other-keys")
        keygen(cls.keys)
        keygen(cls.other_keys)


class LauncherUpdate(LauncherCase):
    @classmethod
    def setUpClass(cls):
        Build.make()
        options.shipped = Build.old

    def setUp(self):
        super().setUp()
        self.server = Server()
        self.server.__enter__()
        self.addCleanup(self.server.__exit__)

    def installation(self, manifest_url):
        app = test_launcher.Installation()
        self.addCleanup(shutil.rmtree, app.folder, True)
        plugins = os.path.join(app.folder, "plugins")
        os.makedirs(plugins)
        shutil.copyfile(options.updater, os.path.join(plugins, "KV9_Updater.dll"))
        shutil.copyfile(options.kernel, os.path.join(plugins, "DownloadKernel.dll"))
        shutil.copyfile(os.path.join(Build.keys, "update-key.pub"), os.path.join(app.folder, "update-key.pub"))
        if manifest_url:
            with open(os.path.join(app.folder, "launcher.ini"), "a", encoding="ascii") as ini:
                ini.write("[Update]\r\nManifest=%s\r\n" % manifest_url)
        return app

    def publish(self, data, manifest=None, keys=None, signed=True):
        self.server.files.put("webshell.exe.gz", data)
        manifest = manifest or manifest_for(data, self.server.url("/plain/webshell.exe.gz"), "2.0.0.0")
        self.server.files.put("manifest.json", manifest)
        if signed:
            self.server.files.put("manifest.json.sig", signature(keys or Build.keys, manifest))
        return self.server.url("/plain/manifest.json")

    def file_requests(self):
        return [r for r in self.server.requests() if r["path"].endswith("/webshell.exe.gz")]

    def test_a_newer_build_is_downloaded_unpacked_installed_and_started(self):
        app = self.installation(self.publish(Build.packed))
        process = self.start(app)
        ready = app.wait_for("update Version 2.0.0.0 is ready", timeout=90)
        self.assertIsNotNone(ready, app.log())
        log = app.log()
        self.assertIn("version 1.0.0.0", log)
        progress = [int(m.group(1)) for m in (re.match(r"update Downloading version 2\.0\.0\.0: (\d+) %", line)
                                               for line in log) if m]
        self.assertEqual(progress, sorted(progress))
        self.assertTrue(all(0 <= p <= 100 for p in progress))
        # The launcher window shows what the process page says.
        self.assertIsNotNone(app.wait_for("shown update Version 2.0.0.0 is ready"), app.log())
        with open(app.update, "rb") as copy:
            self.assertTrue(copy.read() == Build.new_bytes)
        self.assertFalse(os.path.exists(app.update + ".gz"))
        self.assertFalse(os.path.exists(app.update + ".gz.json"))
        self.assertFalse([line for line in log if line.startswith("[")], log)

        downloads = len(self.file_requests())
        click("close")
        self.assertEqual(process.wait(30), 1)
        self.assertIsNotNone(app.wait_for("update copy removed", timeout=60), app.log())
        self.assertEqual(crc(app.exe), crc(Build.new))
        self.assertIsNotNone(app.wait_for("version 2.0.0.0"), app.log())
        self.assertIsNotNone(app.wait_for("shown update Version 2.0.0.0 is up to date"), app.log())
        # The new program found itself up to date and fetched nothing more.
        self.assertEqual(len(self.file_requests()), downloads)
        self.assertIsNotNone(window_info())
        click("close")
        self.assertTrue(launcher_gone())
        self.assertFalse(os.path.exists(app.update))

    def test_a_wrong_sha256_is_refused_and_nothing_is_replaced(self):
        manifest = manifest_for(Build.packed, self.server.url("/plain/webshell.exe.gz"), "2.0.0.0",
                                sha256_of=b"another file")
        app = self.installation(self.publish(Build.packed, manifest=manifest))
        process = self.start(app)
        self.assertIsNotNone(app.wait_for("update Version 1.0.0.0: the update failed (-7)", timeout=90), app.log())
        self.assertTrue(self.file_requests())
        self.assertFalse(os.path.exists(app.update))
        self.assertFalse(os.path.exists(app.update + ".gz"))
        before = crc(app.exe)
        self.close_and_expect_exit(process)
        time.sleep(1)
        self.assertEqual(crc(app.exe), before)
        self.assertNotIn("update started 1", app.log())

    def test_refused_manifests_download_nothing(self):
        good = manifest_for(Build.packed, self.server.url("/plain/webshell.exe.gz"), "2.0.0.0")
        changed = good.replace(b'"2.0.0.0"', b'"2.0.0.1"')
        cases = [("changed by one byte", dict(manifest=good), changed, "-3"),
                 ("signed with another key", dict(keys=Build.other_keys), None, "-3"),
                 ("unsigned", dict(signed=False), None, "-2")]
        for name, arguments, served, state in cases:
            with self.subTest(name):
                self.server.files.content.pop("manifest.json.sig", None)
                app = self.installation(self.publish(Build.packed, **arguments))
                if served:
                    self.server.files.put("manifest.json", served)
                process = self.start(app)
                self.assertIsNotNone(app.wait_for("update Version 1.0.0.0: the update failed (%s)" % state,
                                                  timeout=60), app.log())
                self.assertEqual(self.file_requests(), [])
                self.assertFalse(os.path.exists(app.update))
                self.close_and_expect_exit(process)

    def test_a_download_cut_short_by_killing_the_program_resumes_on_the_next_start(self):
        app = self.installation(self.publish(Build.packed))
        self.server.rate = 256 * 1024
        process = self.start(app)
        partial = app.update + ".gz"
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline and (not os.path.exists(partial) or os.path.getsize(partial) < 300000):
            time.sleep(0.05)
        self.assertGreaterEqual(os.path.getsize(partial), 300000)
        # The launcher window shows the download's progress.
        shown = [int(m.group(1)) for m in (re.match(r"shown update Downloading version 2\.0\.0\.0: (\d+) %", line)
                                            for line in app.log()) if m]
        self.assertGreaterEqual(len(set(shown)), 2, app.log())
        self.assertEqual(shown, sorted(shown))
        self.assertEqual(harness.run(options.process_tool, "kill", windows_path(app.exe)).returncode, 0)
        process.wait(30)
        launcher_gone(10000)
        self.assertFalse(os.path.exists(app.update))
        kept = os.path.getsize(partial)
        before = len(self.file_requests())
        self.server.rate = None
        process = self.start(app)
        self.assertIsNotNone(app.wait_for("update Version 2.0.0.0 is ready", timeout=90), app.log())
        resumed = self.file_requests()[before]
        self.assertEqual(resumed["range"], "bytes=%d-%d" % (kept, kept + 1048574))
        with open(app.update, "rb") as copy:
            self.assertTrue(copy.read() == Build.new_bytes)
        self.close_and_expect_exit(process)
        self.assertIsNotNone(app.wait_for("update copy removed", timeout=60), app.log())
        self.assertEqual(crc(app.exe), crc(Build.new))
        click("close")
        self.assertTrue(launcher_gone())

    def test_without_a_manifest_setting_nothing_is_checked(self):
        app = self.installation(None)
        self.publish(Build.packed)
        process = self.start(app)
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        time.sleep(1)
        self.close_and_expect_exit(process)
        self.assertFalse([line for line in app.log() if line.startswith(("update ", "version ", "shown update"))])
        self.assertEqual(self.server.requests(), [])


if __name__ == "__main__":
    harness.main(["--shipped", "--langset", "--game", "--window-tool", "--file-lock", "--sharedtool",
                  "--updater", "--kernel", "--process-tool"])
