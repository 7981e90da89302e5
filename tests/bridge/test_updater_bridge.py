"""The updater script functions under Wine against a bare plug-in that exports only some of the
updater's functions and logs every call: loading order, the default and named updaters, each
function's updater selection and failure values, sizes beyond 32 bits, libraries that appear
after a first failed load, and the shutdown order."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

CLOSE = "PostMessage('', WM_CLOSE, 0, 0);"


class UpdaterBridge(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-updater-bridge-")
        self.calls = os.path.join(self.folder, "calls.log")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def install(self, folder="plugins"):
        target = os.path.join(self.folder, folder)
        os.makedirs(target, exist_ok=True)
        shutil.copyfile(harness.options.bare_updater, os.path.join(target, "KV9_Updater.dll"))
        shutil.copyfile(harness.options.bare_kernel, os.path.join(target, "DownloadKernel.dll"))

    def run_page(self, script, timeout=30):
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        env = {"BARE_UPDATER_LOG": harness.windows_path(self.calls)}
        self.assertEqual(app.run(timeout=timeout, env=env), 1)
        return app

    def plugin_calls(self):
        if not os.path.exists(self.calls):
            return []
        with open(self.calls, encoding="utf-8") as calls:
            return [line.rstrip("\n") for line in calls]

    def test_before_any_init_every_function_gives_its_failure_value(self):
        self.install()
        app = self.run_page("""
            function show(name, value) { console.log(name + ' ' + typeof value + ' ' + JSON.stringify(value)); }
            show('GetInfo', P2PUpdater_GetInfo());
            show('GetInfoNamed', P2PUpdater_GetInfo('a'));
            show('GetLocalVersion', P2PUpdater_GetLocalVersion());
            show('GetRemoteVersion', P2PUpdater_GetRemoteVersion());
            show('GetDownloadSize', P2PUpdater_GetDownloadSize());
            show('GetWantedSize', P2PUpdater_GetWantedSize());
            show('GetWantedSizeDone', P2PUpdater_GetWantedSizeDone());
            show('ApplyGZ', P2PUpdater_ApplyGZ());
            show('GetApplyGZProgress', P2PUpdater_GetApplyGZProgress());
            show('StartDownload', P2PUpdater_StartDownload());
            show('pause', P2PUpdater_torrent_pause());
            show('resume', P2PUpdater_torrent_resume());
            show('SetLimit', P2PUpdater_SetLimit('', 100));
            show('IsNeedUpdate', P2PUpdater_IsNeedUpdate('http://x/newer', function (r) {}));
            show('Remove', P2PD_Remove('a'));
            show('Start', P2PD_Start('a'));
            """ + CLOSE)
        self.assertEqual(app.log(), [
            "GetInfo undefined undefined", "GetInfoNamed undefined undefined",
            'GetLocalVersion string ""', 'GetRemoteVersion string ""',
            "GetDownloadSize number 0", "GetWantedSize number 0", "GetWantedSizeDone number 0",
            "ApplyGZ boolean false", "GetApplyGZProgress boolean false", "StartDownload boolean false",
            "pause boolean false", "resume boolean false", "SetLimit boolean false",
            "IsNeedUpdate boolean false", "Remove number 0", "Start undefined undefined"])
        # Nothing was loaded: only P2PUpdater_Init loads the libraries.
        self.assertEqual(self.plugin_calls(), [])

    def test_init_twice_makes_one_default_updater_released_at_shutdown_in_order(self):
        self.install()
        app = self.run_page("""
            console.log('init ' + P2PUpdater_Init());
            P2PUpdater_Init();
            var info = P2PUpdater_GetInfo();
            console.log('keys ' + Object.keys(info).join(','));
            console.log('info ' + info.state + ' ' + info.speed + ' ' + info.progress);
            console.log('local ' + P2PUpdater_GetLocalVersion());
            """ + CLOSE)
        self.assertEqual(app.log(), ["init undefined", "keys state,speed,progress", "info 41 1234.5 0.25",
                                     "local 1.0.0.1"])
        self.assertEqual(self.plugin_calls(), [
            "kernel loaded", "Init -> 1", "GetInfo 1 preset 0 0",
            # Shutdown: the default updater, then the updater library, then the kernel library.
            "UnInit 1", "updater unloaded", "kernel unloaded"])

    def test_named_updater_is_made_and_registered_once(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init('a', 'http://x/m.json', 'C:\\\\t');
            P2PUpdater_Init('a', 'other', 'other');
            console.log('named ' + P2PUpdater_GetInfo('a').state);
            console.log('default ' + typeof P2PUpdater_GetInfo());
            console.log('unknown ' + typeof P2PUpdater_GetInfo('b'));
            P2PUpdater_Init();
            console.log('default ' + P2PUpdater_GetInfo().state);
            console.log('local ' + P2PUpdater_GetLocalVersion('a'));
            """ + CLOSE)
        self.assertEqual(app.log(), ["named 41", "default undefined", "unknown undefined", "default 42",
                                     "local 1.0.0.1"])
        calls = self.plugin_calls()
        self.assertEqual([c for c in calls if c.startswith(("Init", "Set"))],
                         ["Init_2 a http://x/m.json C:\\t -> 1", "Set a 1", "Init -> 2"])
        # Only the default updater is un-initialised by the host.
        self.assertEqual([c for c in calls if c.startswith("UnInit")], ["UnInit 2"])

    def test_remove_passes_flag_one_without_a_second_argument(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init('a', 'x', 'y');
            console.log('one ' + P2PD_Remove('a'));
            console.log('zero ' + P2PD_Remove('a', 0));
            console.log('five ' + P2PD_Remove('a', 5));
            console.log('unregistered ' + P2PD_Remove('b', 1));
            """ + CLOSE)
        self.assertEqual(app.log(), ["one 193", "zero 128", "five 193", "unregistered 0"])
        self.assertEqual([c for c in self.plugin_calls() if c.startswith("Remove")],
                         ["Remove a 1", "Remove a 0", "Remove a 1"])

    def test_sizes_beyond_32_bits_reach_the_page_exactly(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init();
            P2PUpdater_Init('a', 'x', 'y');
            console.log('size ' + String(P2PUpdater_GetDownloadSize()));
            console.log('named ' + String(P2PUpdater_GetDownloadSize('a')));
            console.log('wanted ' + String(P2PUpdater_GetWantedSize()));
            console.log('done ' + String(P2PUpdater_GetWantedSizeDone()));
            """ + CLOSE)
        self.assertEqual(app.log(), ["size 9007199254740991", "named 9007199254740990", "wanted 2147483649",
                                     "done 0"])

    def test_missing_exports_give_failure_values_and_threads_start_anyway(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init();
            console.log('ApplyGZ ' + P2PUpdater_ApplyGZ());
            console.log('progress ' + P2PUpdater_GetApplyGZProgress());
            console.log('remote "' + P2PUpdater_GetRemoteVersion() + '"');
            console.log('limit ' + P2PUpdater_SetLimit('', 100));
            console.log('pause ' + P2PUpdater_torrent_pause());
            P2PD_torrent_set_seed_mode('a', 1);
            P2PD_torrent_add_url_seed('a', 'http://seed');
            P2PD_torrent_connect_peer('a', '10.0.0.1', 6881);
            """ + CLOSE)
        self.assertEqual(app.log(), ["ApplyGZ true", "progress false", 'remote ""', "limit false", "pause true"])
        self.assertIn("ConnectPeer a 10.0.0.1 6881", self.plugin_calls())

    def test_is_need_update_calls_back_with_one_or_zero(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init();
            P2PUpdater_Init('named-newer', 'x', 'y');
            var left = 3;
            function done(tag) { return function (r) {
              console.log(tag + ' ' + typeof r + ' ' + r);
              if (--left == 0) """ + CLOSE + """
            }; }
            console.log('started ' + P2PUpdater_IsNeedUpdate('http://x/newer', done('default-newer')));
            console.log('started ' + P2PUpdater_IsNeedUpdate('http://x/same', done('default-same')));
            // Any other count than two: argument 1 names the updater and is the text passed.
            console.log('started ' + P2PUpdater_IsNeedUpdate('named-newer', done('named'), 0));
            console.log('missing ' + P2PUpdater_IsNeedUpdate('nobody', done('never'), 0));
            setTimeout(function () { console.log('gave up'); """ + CLOSE + """ }, 10000);
            """)
        log = app.log()
        self.assertEqual(log[:4], ["started true", "started true", "started true", "missing false"])
        self.assertEqual(sorted(log[4:]), ["default-newer number 1", "default-same number 0", "named number 1"])
        calls = self.plugin_calls()
        self.assertIn("IsNeedUpdate 1 http://x/newer", calls)
        self.assertIn("IsNeedUpdate 2 named-newer", calls)

    def test_a_running_download_keeps_the_library_loaded_through_shutdown(self):
        self.install()
        app = self.run_page("""
            P2PUpdater_Init();
            console.log('plain ' + P2PUpdater_StartDownload());
            console.log('two ' + P2PUpdater_StartDownload(0, 0));
            setTimeout(function () { """ + CLOSE + """ }, 300);
            """)
        self.assertEqual(app.log(), ["plain true", "two true"])
        calls = self.plugin_calls()
        self.assertEqual(calls.count("StartDownload 1"), 2)
        self.assertIn("UnInit 1", calls)
        # The calls were still running when the host freed the library at shutdown.
        self.assertNotIn("StartDownload 1 done", calls)
        self.assertNotIn("updater unloaded during a call", calls)
        self.assertNotIn("updater unloaded", calls)
        self.assertIn("kernel unloaded", calls)

    def test_libraries_that_appear_later_load_on_the_next_init(self):
        go = os.path.join(self.folder, "go")
        app = App(self.folder, {"exe.zip.index.html": page("""
            P2PUpdater_Init();
            console.log('before ' + typeof P2PUpdater_GetInfo() + ' ' + P2PUpdater_GetDownloadSize());
            var timer = setInterval(function () {
              if (!IsFileExists(%s)) return;
              clearInterval(timer);
              P2PUpdater_Init();
              console.log('after ' + P2PUpdater_GetInfo().state + ' ' + P2PUpdater_GetLocalVersion());
              """ % repr(harness.windows_path(go)) + CLOSE + """
            }, 50);
            setTimeout(function () { console.log('gave up'); """ + CLOSE + """ }, 20000);
            """)})
        process = app.start(env={"BARE_UPDATER_LOG": harness.windows_path(self.calls)})
        try:
            self.assertTrue(app.wait_for_line("before undefined 0"))
            # The launch folder is the second place looked in.
            self.install("launch")
            open(go, "w").close()
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertEqual(app.log(), ["before undefined 0", "after 41 1.0.0.1"])
        self.assertEqual(self.plugin_calls()[:2], ["kernel loaded", "Init -> 1"])


if __name__ == "__main__":
    harness.main(["--bare-updater", "--bare-kernel"])
