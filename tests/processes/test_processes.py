"""Processes started and watched by pages under Wine: CreateProcess and its result object,
exit codes, waits on a worker, shell execution with and without a completion callback, module
names of a child, and Sleep."""
import json
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, windows_path  # noqa: E402


class Processes(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-processes-")
        self.child = windows_path(harness.options.child)
        self.where = windows_path(self.folder)

    def run_page(self, script, timeout=60):
        prelude = "var child = %s; var folder = %s; function log(s) { console.log(s); }\n" % (
            json.dumps(self.child), json.dumps(self.where))
        app = App(self.folder, {"exe.zip.index.html": page(prelude + script)})
        self.assertEqual(app.run(timeout=timeout), 1)
        return app

    def test_create_process_result_exit_codes_waits_and_module_names(self):
        app = self.run_page("""
            var plain = CreateProcess(child, '', folder);
            var keys = [];
            for (var k in plain) keys.push(k);
            log('keys ' + keys.join(','));
            log('three ' + [plain['return'], plain.dwProcessId > 0, plain.dwThreadId > 0,
                            plain.hProcess > 0, plain.hThread > 0].join(','));
            var empties = CreateProcess('', '"' + child + '" 0 0', '');
            log('empty program and folder ' + empties['return']);
            var missing = CreateProcess(folder + '\\\\missing.exe', '', folder);
            log('missing ' + [missing['return'], missing.dwProcessId, missing.dwThreadId,
                              missing.hProcess, missing.hThread].join(','));
            var slow = CreateProcess(child, '"' + child + '" 1500 7', folder, 0, 0);
            log('running ' + GetExitCodeProcess(slow.hProcess));
            log('bad handle ' + GetExitCodeProcess(0) + ' [' + GetModuleBaseName(0, 0) + ']');
            setTimeout(function () {
              log('base ' + GetModuleBaseName(slow.hProcess, 0));
              log('path ' + GetModuleFileNameEx(slow.hProcess, 0));
              log('image ' + GetProcessImageFileName(slow.hProcess));
              var opened = OpenProcess(slow.dwProcessId, 0x1000 | 0x400 | 0x10, 0);
              log('opened ' + (opened > 0) + ' ' + (opened != slow.hProcess) + ' ' + GetExitCodeProcess(opened));
              log('open missing ' + OpenProcess(0x7FFFFFF0, 0x400, 0));
              var started = WaitForSingleObject(slow.hProcess, 0, function (result) {
                log('wait running ' + result);
                WaitForSingleObject(slow.hProcess, 0xFFFFFFFF, function (result) {
                  log('wait ended ' + result + ' code ' + GetExitCodeProcess(slow.hProcess));
                  WaitForSingleObject(slow.hProcess, 0, function (result) {
                    log('wait after end ' + result);
                    PostMessage('', WM_CLOSE, 0, 0);
                  });
                });
              });
              log('wait started ' + started);
            }, 300);
        """)
        log = app.log()
        for line in ("keys return,dwProcessId,dwThreadId,hProcess,hThread", "three 1,true,true,true,true", "empty program and folder 1",
                     "missing 0,0,0,0,0", "running 259", "bad handle 0 []", "base sleeper.exe",
                     "opened true true 259", "open missing 0", "wait started true", "wait running 258",
                     "wait ended 0 code 7", "wait after end 0"):
            self.assertIn(line, log)
        self.assertEqual(app.values("path"), [self.child])
        image = app.values("image")
        self.assertEqual(len(image), 1)
        self.assertTrue(image[0].lower().endswith("\\sleeper.exe"), image)
        self.assertLess(log.index("wait running 258"), log.index("wait ended 0 code 7"))

    def test_shell_execute_ex_calls_back_once_when_the_program_ends(self):
        app = self.run_page("""
            var calls = {slow: 0, missing: 0};
            var t0 = Date.now();
            log('result ' + ShellExecuteEx('open', child, '2000 3', folder, 0, function (a, b) {
              calls.slow++;
              log('slow after ' + (Date.now() - t0) + ' ' + typeof a + ' ' + typeof b);
            }));
            ShellExecuteEx('open', folder + '\\\\missing.exe', '', folder, 0, function () {
              calls.missing++;
              log('missing after ' + (Date.now() - t0));
            });
            setTimeout(function () {
              log('calls ' + calls.slow + ' ' + calls.missing);
              PostMessage('', WM_CLOSE, 0, 0);
            }, 4000);
        """)
        self.assertEqual(app.values("result"), ["undefined"])
        self.assertEqual(app.values("calls"), ["1 1"])
        slow = app.values("slow after")
        self.assertEqual(len(slow), 1)
        elapsed, first, second = slow[0].split()
        self.assertEqual((first, second), ("undefined", "undefined"))
        self.assertGreaterEqual(int(elapsed), 1900)
        self.assertLess(int(elapsed), 3900)
        self.assertLess(int(app.values("missing after")[0]), 1000)

    def test_shell_execute_plain_and_narrow_start_the_program(self):
        wide_marker = os.path.join(self.folder, "wide.txt")
        narrow_marker = os.path.join(self.folder, "narrow.txt")
        app = self.run_page("""
            log('wide ' + (ShellExecute('open', child, '0 0 ' + folder + '\\\\wide.txt', folder, 0) > 32));
            log('missing wide ' + ShellExecute('open', folder + '\\\\missing.exe', '', folder, 0));
            log('narrow ' + ShellExecuteA('open', child, '0 0 ' + folder + '\\\\narrow.txt', folder, 0));
            PostMessage('', WM_CLOSE, 0, 0);
        """)
        self.assertEqual(app.values("wide"), ["true"])
        self.assertLessEqual(int(app.values("missing wide")[0]), 32)
        self.assertEqual(app.values("narrow"), ["undefined"])
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not (os.path.exists(wide_marker) and os.path.exists(narrow_marker)):
            time.sleep(0.1)
        for marker in (wide_marker, narrow_marker):
            with open(marker, encoding="utf-8") as written:
                self.assertIn(marker.replace("/", "\\").split("\\")[-1], written.read())

    def test_narrow_shell_execute_takes_utf8_paths_and_parameters(self):
        # A copy of the child in a folder whose name no ANSI code page holds.
        place = os.path.join(self.folder, "\u00dcn\u00efc\u00f6d\u00e9 \u540d")
        os.makedirs(place)
        shutil.copyfile(harness.options.child, os.path.join(place, "sleeper.exe"))
        where = windows_path(place)
        app = self.run_page("""
            var place = %s;
            log('narrow ' + ShellExecuteA('open', place + '\\\\sleeper.exe', '0 0 "' + place + '\\\\m\\u00e4rker.txt"',
                                          place, 0));
            PostMessage('', WM_CLOSE, 0, 0);
        """ % json.dumps(where))
        self.assertEqual(app.values("narrow"), ["undefined"])
        marker = os.path.join(place, "m\u00e4rker.txt")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and not os.path.exists(marker):
            time.sleep(0.1)
        with open(marker, encoding="utf-8") as written:
            self.assertIn(where + "\\m\u00e4rker.txt", written.read())

    def test_environment_variables_set_by_the_page_reach_the_child(self):
        marker = os.path.join(self.folder, "environment.txt")
        app = self.run_page("""
            log('set ' + SetEnvironmentVariable('WEBSHELL_CHILD_NOTE', 'caf\\u00e9 1'));
            var p = CreateProcess(child, '"' + child + '" 0 0 "' + folder + '\\\\environment.txt" WEBSHELL_CHILD_NOTE',
                                  folder);
            WaitForSingleObject(p.hProcess, 10000, function (result) {
              log('ended ' + result);
              PostMessage('', WM_CLOSE, 0, 0);
            });
        """)
        self.assertEqual(app.values("set"), ["1"])
        self.assertEqual(app.values("ended"), ["0"])
        with open(marker, encoding="utf-8") as written:
            self.assertEqual(written.read().splitlines()[1], "caf\u00e9 1")

    def test_sleep_blocks_for_its_time_only(self):
        app = self.run_page("""
            var t = Date.now();
            log('sleep result ' + Sleep(0));
            var zero = Date.now() - t;
            t = Date.now();
            Sleep(300);
            var three = Date.now() - t;
            log('sleep zero ' + (zero < 100) + ' three ' + (three >= 280));
            PostMessage('', WM_CLOSE, 0, 0);
        """)
        self.assertEqual(app.values("sleep result"), ["undefined"])
        self.assertEqual(app.values("sleep zero"), ["true three true"])


if __name__ == "__main__":
    harness.main(extra_arguments=("--child",))
