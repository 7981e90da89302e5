"""Web-view windows driven by their pages under Wine: creating windows, flags, loading and
running script in other windows, close callbacks, global callbacks, window functions and the
hit-test mask, and the single instance."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

WINDOW_CLASS = "VELQ___engine_v1 wke"


class Windows(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-windows-")

    def test_second_window_flags_callbacks_and_the_last_close_ending_the_program(self):
        entry = page("""
            var entryName = 'the entry page';
            SetCurrentWindowFlag('entry');
            RegisterGlobalJSCallback('done', function (text) {
              console.log('global ' + text);
              PostMessage('', WM_CLOSE, 0, 0);
            });
            console.log('unknown flag ' + wkeLoadFile('nope', 'x.html'));
            wkeCreateWindow('second', 0x80000000, 0x80000, '', 'second.html');
        """)
        second = page("""
            SetWindowPos('', '0', 0x40, 10, 20, 200, 100);
            var r = GetWindowRect('');
            console.log('rect ' + r.left + ',' + r.top + ',' + r.right + ',' + r.bottom);
            console.log('rect by flag ' + GetWindowRect('second').right);
            console.log('style negative ' + (GetWindowLong('', -16) < 0));
            console.log('exstyle ' + GetWindowLong('', -20));
            console.log('run in entry ' + wkeRunJS('entry', 'entryName + ", " + (1 + 2)'));
            var asked = 0;
            RegisterJSCallback_WM_CLOSE(function () { console.log('replaced callback ran'); return 0; });
            console.log('registered ' + RegisterJSCallback_WM_CLOSE(function (w, l) {
              asked++;
              console.log('close asked ' + asked);
              return asked >= 2 ? 1 : 0;
            }));
            PostMessage('', WM_CLOSE, 0, 0);
            setTimeout(function () {
              console.log('still open');
              CallGlobalJSCallback('done', 'from second');
              PostMessage('', WM_CLOSE, 0, 0);
            }, 100);
        """)
        app = App(self.folder, {"exe.zip.index.html": entry, "second.html": second})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ("unknown flag false", "rect 10,20,210,120", "rect by flag 210", "style negative true",
                     "exstyle 524288", "run in entry the entry page, 3", "registered true", "close asked 1", "still open",
                     "close asked 2", "global from second"):
            self.assertIn(line, log)
        self.assertLess(log.index("close asked 1"), log.index("still open"))
        self.assertNotIn("replaced callback ran", log)

    def test_empty_flag_made_real_and_loading_into_it(self):
        entry = page("""
            console.log('foreground before ' + SetForegroundWindow(''));
            SetCurrentWindowFlag('');
            console.log('foreground after ' + SetForegroundWindow(''));
            console.log('load ' + wkeLoadFile('', 'next.html'));
        """)
        nxt = page("console.log('next loaded'); PostMessage('', WM_CLOSE, 0, 0);")
        app = App(self.folder, {"exe.zip.index.html": entry, "next.html": nxt})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ("foreground before 0", "foreground after 1", "load true", "next loaded"):
            self.assertIn(line, log)

    def test_hit_testing_by_frame_rules_and_by_mask(self):
        script = """
            SetWindowPos('', '0', 0x40, 100, 100, 200, 100);
            function hit(x, y) { return SendMessage('', 0x84, 0, ((100 + y) << 16) | (100 + x)); }
            SetWindowThickFrame('', 0, 5, 0, 0);
            console.log('frame ' + [hit(0, 50), hit(100, 2), hit(100, 50)].join(','));
            InitWindowHitTestData('');
            SetWindowDragRect('', 0, 0, 200, 30);
            SetWindowThickFrame('', 4, 4, 4, 4);
            SetWindowNoDragRect('', 50, 0, 60, 30);
            SetWindowDragRect('', 150, 40, 100, 60);
            console.log('mask ' + [hit(100, 10), hit(100, 2), hit(1, 50), hit(198, 98), hit(100, 50), hit(55, 10),
                                   hit(120, 50)].join(','));
            SetFollowMove('', '', 1, 10, 10);
            PostMessage('', WM_CLOSE, 0, 0);
        """
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        self.assertIn("frame 10,12,1", app.log())
        self.assertIn("mask 2,12,10,17,1,1,1", app.log())  # right < left wrote nothing at 120,50


class Flags(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-flags-")

    def test_two_windows_with_one_name(self):
        entry = page("""
            RegisterGlobalJSCallback('twin2-closed', function () {
              console.log('after close: twin ' + JSON.stringify(GetWindowRect('twin')) +
                          ', extra ' + GetWindowRect('twin-extra').left);
              CallGlobalJSCallback('close-twin1', '');
              PostMessage('', WM_CLOSE, 0, 0);
            });
            wkeCreateWindow('twin', 0x80000000, 0, '', 'twin1.html');
        """)
        twin1 = page("""
            SetWindowPos('', '0', 0x40, 11, 11, 20, 20);
            SetCurrentWindowFlag('twin-extra');
            RegisterGlobalJSCallback('close-twin1', function () { PostMessage('', WM_CLOSE, 0, 0); });
            wkeCreateWindow('twin', 0x80000000, 0, '', 'twin2.html');
        """)
        twin2 = page("""
            SetWindowPos('', '0', 0x40, 22, 22, 20, 20);
            console.log('twin names the window at ' + GetWindowRect('twin').left);
            RegisterJSCallback_WM_CLOSE(function () { CallGlobalJSCallback('twin2-closed', ''); return 1; });
            PostMessage('', WM_CLOSE, 0, 0);
        """)
        app = App(self.folder, {"exe.zip.index.html": entry, "twin1.html": twin1, "twin2.html": twin2})
        self.assertEqual(app.run(), 1)
        self.assertIn("twin names the window at 11", app.log())
        # The second window's teardown drops the flags that point at it and leaves the first
        # window, which the shared name names, all of its own.
        self.assertIn('after close: twin {"left":11,"top":11,"right":31,"bottom":31}, extra 11', app.log())

    def test_a_closed_windows_flags_go_with_it_and_only_they(self):
        entry = page("""
            RegisterGlobalJSCallback('helper-ready', function () {
              SetCurrentWindowFlag('helper');  // the helper's name now names this window
              CallGlobalJSCallback('close-helper', '');
            });
            RegisterGlobalJSCallback('helper-closed', function () {
              console.log('after close: ' + [wkeRunJS('helper', '1 + 1'), wkeRunJS('helper-extra', '1 + 1'),
                                             wkeRunJS('entry-extra', '1 + 1')].join(','));
              PostMessage('', WM_CLOSE, 0, 0);
            });
            SetCurrentWindowFlag('entry-extra');
            wkeCreateWindow('helper', 0x80000000, 0, '', 'helper.html');
        """)
        helper = page("""
            SetCurrentWindowFlag('helper-extra');
            RegisterGlobalJSCallback('close-helper', function () { PostMessage('', WM_CLOSE, 0, 0); });
            RegisterJSCallback_WM_CLOSE(function () { CallGlobalJSCallback('helper-closed', ''); return 1; });
            CallGlobalJSCallback('helper-ready', '');
        """)
        app = App(self.folder, {"exe.zip.index.html": entry, "helper.html": helper})
        self.assertEqual(app.run(), 1)
        self.assertIn("after close: 2,,2", app.log())


class WindowMessages(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-messages-")

    def test_messages_a_page_may_not_send(self):
        script = """
            var sizes = 0;
            RegJSCB_WM_SIZE(function () { sizes++; });
            SetWindowPos('', '0', 0x40, 100, 100, 200, 100);
            // The host's callback-list messages with a page's number, and messages whose
            // parameters are pointers, would crash the program or write where the page chose.
            console.log('refused ' + [SendMessage('', 0x4D5, 1, 0), SendMessage('', 0x4D6, 1, 0),
                                      SendMessage('', 0x4D7, 1, 0), SendMessage('', 0x24, 0, 0x1000),
                                      SendMessage('', 0x0C, 0, 0x1000), SendMessage('', 0x0D, 100, 0x1000),
                                      SendMessage('', 0x83, 1, 0x1000), SendMessage('', 0x46, 0, 0x1000),
                                      SendMessage('', 0x4A, 0, 0x1000), SendMessage('', 0x02, 0, 0),
                                      PostMessage('', 0x4D5, 1, 0), PostMessage('', 0x12, 0, 0),
                                      PostMessage('', 0x113, 1, 0x1000), PostMessage('', 0x233, 0x1000, 0)].join(','));
            console.log('allowed ' + [SendMessage('', 0x84, 0, (110 << 16) | 110), SendMessage('', 0x400 + 7, 1, 2),
                                      PostMessage('', 0x8000 + 3, 0, 0)].join(','));
            SendMessage('', 0x112, 0xF030, 0);
            setTimeout(function () {
              console.log('still running, sizes ' + (sizes > 0));
              PostMessage('', WM_CLOSE, 0, 0);
            }, 300);
        """
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        self.assertIn("refused " + ",".join(["0"] * 14), log)
        self.assertIn("allowed 1,0,1", log)
        self.assertIn("still running, sizes true", log)

    def test_another_program_cannot_steer_the_host_with_its_messages(self):
        # Another program knows the window and the message numbers but not the host's lists; a
        # quit it posts must not end the program under its open window either.
        # A title of its own, so that no other test's window gets these messages.
        title = "steered-%d-%s" % (os.getpid(), os.path.basename(self.folder))
        script = """
            SetWindowText('', %s);
            console.log('ready');
            setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, 20000);
        """ % json.dumps(title)
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("ready"))
            tool = harness.options.window_tool
            for message, wparam in (("0x4D5", "1"), ("0x4D6", "1"), ("0x4D5", "0x10000")):
                sent = harness.run(tool, "send", WINDOW_CLASS, title, message, wparam, "0")
                self.assertEqual(sent.stdout.strip(), "result 0", message)
            self.assertEqual(harness.run(tool, "post", WINDOW_CLASS, title, "0x12", "0", "0").returncode, 0)
            # Still alive and answering: a hit test in the window goes through its procedure.
            answered = harness.run(tool, "send", WINDOW_CLASS, title, "0x84", "0", "0")
            self.assertRegex(answered.stdout.strip(), r"^result \d+$")
            self.assertIsNone(process.poll())
            done = harness.run(tool, "send", WINDOW_CLASS, title, "0x10", "0", "0")
            self.assertEqual(done.returncode, 0)
            self.assertEqual(process.wait(30), 1)
            self.assertNotIn("gave up", app.log())
        finally:
            if process.poll() is None:
                process.kill()

    def test_a_window_that_cannot_be_made_loads_nothing(self):
        entry = page("""
            // A child window without a parent cannot be made.
            wkeCreateWindow('orphan', 0x40000000, 0, '', 'orphan.html');
            console.log('windows ' + (FindWindow('VELQ___engine_v1 wke', 'orphan') == 0));
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 500);
        """)
        orphan = page("console.log('orphan page ran');")
        app = App(self.folder, {"exe.zip.index.html": entry, "orphan.html": orphan})
        self.assertEqual(app.run(), 1)
        self.assertIn("windows true", app.log())
        self.assertNotIn("orphan page ran", app.log())

    def test_registering_new_closures_again_and_again_keeps_memory_bounded(self):
        # Each replaced registration's closure is given back; before, every one stayed pinned
        # for the page's life.
        script = """
            function register(count) {
              for (var i = 0; i < count; i++) {
                var data = [i, i + 1, 'closure ' + i];
                RegJSCB_WM_SIZE(function () { return data[0] + data[1]; });
              }
            }
            function whenFileExists(name, then) {
              if (IsFileExists(name)) then(); else setTimeout(function () { whenFileExists(name, then); }, 20);
            }
            console.log('pid ' + GetCurrentProcessId());
            register(20000);
            console.log('warm');
            whenFileExists('measured-warm', function () {
              register(500000);
              console.log('done');
              whenFileExists('measured-done', function () { PostMessage('', WM_CLOSE, 0, 0); });
            });
        """
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        process = app.start()

        def private_bytes():
            probe = harness.run(harness.options.process_tool, "memory", app.values("pid")[0])
            self.assertEqual(probe.returncode, 0)
            return int(probe.stdout.split()[1])

        try:
            self.assertTrue(app.wait_for_line("warm"))
            before = private_bytes()
            open(os.path.join(self.folder, "measured-warm"), "w").close()
            self.assertTrue(app.wait_for_line("done", timeout=120))
            after = private_bytes()
            open(os.path.join(self.folder, "measured-done"), "w").close()
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        print("private bytes %.2f MB before, %.2f MB after 500,000 registrations" % (before / 2**20, after / 2**20))
        self.assertLess(after - before, 8 * 2**20)

    def test_replaced_registrations_leave_shared_and_pending_callbacks_working(self):
        script = """
            var event = CreateEvent(1, 0, '');
            var shared = function (w, l) { console.log('shared ran'); return 1; };
            var waited = function (result) { console.log('wait ended ' + result); PostMessage('', WM_CLOSE, 0, 0); };
            RegJSCB_WM_SIZE(shared);
            RegisterJSCallback_WM_CLOSE(shared);
            RegJSCB_WM_SYSCOMMAND(waited);
            WaitForSingleObject(event, 800, waited);
            for (var i = 0; i < 20000; i++) {
              RegJSCB_WM_SIZE(function () { return i; });
              RegJSCB_WM_SYSCOMMAND(function () { return i; });
            }
            var sizes = 0;
            RegJSCB_WM_SIZE(function () { sizes++; });
            SetWindowPos('', '0', 0x40, 100, 100, 210, 110);
            console.log('last size callback ran ' + (sizes > 0));
        """
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        self.assertIn("last size callback ran true", log)
        self.assertIn("wait ended 258", log)
        self.assertIn("shared ran", log)

    def test_system_commands_size_topmost_raw_handles_and_followers(self):
        entry = page("""
            var commands = [];
            var allowClose = 0;
            RegJSCB_WM_SYSCOMMAND(function (w, l) { commands.push(w); });
            RegisterJSCallback_WM_CLOSE(function () { return allowClose; });
            RegJSCB_WM_SIZE(function (w, l) {
              console.log('size ' + w + ' ' + (l & 0xFFFF) + 'x' + ((l >> 16) & 0xFFFF));
            });
            SetWindowPos('', '0', 0x40, 50, 60, 300, 200);
            SendMessage('', 0x112, 0xF060, 0);
            SendMessage('', 0x112, 0xF062, 0);
            console.log('system commands ' + commands.join(','));
            SetWindowPos('', '-1', 0x3, 0, 0, 0, 0);
            console.log('topmost ' + ((GetWindowLong('', -20) & 8) != 0));
            // "-3" is no z-order value: it is looked up as a flag (unknown: the page's own window).
            console.log('minus three ' + SetWindowPos('', '-3', 0x3, 0, 0, 0, 0));
            var me = FindWindow('VELQ___engine_v1 wke', 'exe.zip.index.html');
            console.log('raw handle rect ' + GetWindowRect(me).left + ',' + GetWindowRect(me).top);
            console.log('unknown flag rect ' + JSON.stringify(GetWindowRect('no such flag')));
            RegisterGlobalJSCallback('follower-ready', function () {
              SetFollowMove('', 'follower', 1, -10, -5);
              SetFollowMove('', '', 1, 10, 10);
              SetWindowPos('', '0', 0x5, 200, 210, 0, 0);
              var r = GetWindowRect('follower');
              console.log('follower at ' + r.left + ',' + r.top);
              CallGlobalJSCallback('close-follower', '');
              allowClose = 1;
              PostMessage('', WM_CLOSE, 0, 0);
            });
            wkeCreateWindow('follower', 0x80000000, 0, '', 'follower.html');
        """)
        follower = page("""
            SetWindowPos('', '0', 0x40, 0, 0, 40, 40);
            RegisterGlobalJSCallback('close-follower', function () { PostMessage('', WM_CLOSE, 0, 0); });
            CallGlobalJSCallback('follower-ready', '');
        """)
        app = App(self.folder, {"exe.zip.index.html": entry, "follower.html": follower})
        self.assertEqual(app.run(), 1)
        log = app.log()
        self.assertIn("size 0 300x200", log)
        # SC_CLOSE itself never reaches the page; SC_CLOSE with other low bits does.
        self.assertIn("system commands 61538", log)
        self.assertIn("topmost true", log)
        self.assertIn("minus three 1", log)
        self.assertIn("raw handle rect 50,60", log)
        self.assertIn('unknown flag rect {"left":0,"top":0,"right":0,"bottom":0}', log)
        self.assertIn("follower at 190,205", log)


def x_window_depths(title):
    """The colour depths of the X windows Wine made for windows titled title."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True, check=True).stdout
    depths = []
    for line in tree.splitlines():
        if '"%s"' % title in line:
            info = subprocess.run(["xwininfo", "-id", line.split()[0]], capture_output=True, text=True).stdout
            depths += [int(row.split(":")[1]) for row in info.splitlines() if row.strip().startswith("Depth:")]
    return depths


class Presentation(unittest.TestCase):
    def test_layered_presentation_follows_the_extended_style_at_the_next_resize(self):
        # Wine shows a window that presents with UpdateLayeredWindow through a 32-bit (alpha) X
        # window, and one that is copied with BitBlt through a 24-bit one.
        folder = tempfile.mkdtemp(prefix="webshell-present-")
        script = """
            SetWindowPos('', '0', 0x40, 10, 10, 100, 100);
            setTimeout(function () {
              console.log('plain copy');
              setTimeout(function () {
                SetWindowLong('', -20, 0x80000);
                setTimeout(function () {
                  console.log('style set');
                  setTimeout(function () {
                    SetWindowPos('', '0', 0x2, 0, 0, 120, 100);
                    setTimeout(function () {
                      console.log('resized');
                      setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 1500);
                    }, 300);
                  }, 1500);
                }, 300);
              }, 1500);
            }, 300);
        """
        title = "presentation-probe-%d" % os.getpid()  # other tests' windows may be on the display
        entry = page("wkeCreateWindow('%s', 0x80000000, 0, '', 'probe.html');" % title)
        script = script.replace("PostMessage('', WM_CLOSE, 0, 0);",
                                "PostMessage('exe.zip.index.html', WM_CLOSE, 0, 0); PostMessage('', WM_CLOSE, 0, 0);")
        app = App(folder, {"exe.zip.index.html": entry, "probe.html": page(script)})
        process = app.start()
        try:
            depths = {}
            for phase in ("plain copy", "style set", "resized"):
                self.assertTrue(app.wait_for_line(phase), app.log())
                depths[phase] = x_window_depths(title)
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertEqual(depths, {"plain copy": [24], "style set": [24], "resized": [32]})


class Callbacks(unittest.TestCase):
    def test_a_callback_gets_as_many_values_as_it_declares(self):
        folder = tempfile.mkdtemp(prefix="webshell-arity-")
        with open(os.path.join(folder, "ten.bin"), "wb") as data:
            data.write(b"0123456789")
        script = """
            var path = %s;
            var pending = 2;
            function finished() { if (--pending == 0) PostMessage('', WM_CLOSE, 0, 0); }
            GetFileCRC32(path, function (a) {
              console.log('one declared: ' + arguments.length + ' ' + a);
              finished();
            });
            GetFileCRC32(path, function (a, b, c, d) {
              console.log('four declared: ' + arguments.length + ' ' + a + ' ' + b + ' ' + (c > 0) + ' ' + d);
              finished();
            });
        """ % json.dumps(harness.windows_path(os.path.join(folder, "ten.bin")))
        app = App(folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        self.assertIn("one declared: 1 10", app.log())
        self.assertIn("four declared: 4 10 10 true undefined", app.log())


class DroppedFiles(unittest.TestCase):
    def drop_onto(self, title, script, paths):
        folder = tempfile.mkdtemp(prefix="webshell-drop-")
        entry = page("wkeCreateWindow('%s', 0x80000000, 0, '', 'target.html');" % title)
        app = App(folder, {"exe.zip.index.html": entry, "target.html": page(script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("ready"))
            dropped = harness.run(harness.options.dropfiles, title, *paths)
            self.assertEqual(dropped.returncode, 0)
            self.assertTrue(app.wait_for_line("done"))
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        return app.log()

    def test_dropped_paths_reach_the_callback_as_an_indexed_object(self):
        script = """
            console.log('accepts ' + RegJSCB_WM_DROPFILES(function (files) {
              var keys = [];
              for (var k in files) keys.push(k + '=' + files[k]);
              console.log('dropped ' + keys.join(' | ') + ' length ' + files.length);
              console.log('done');
              PostMessage('exe.zip.index.html', WM_CLOSE, 0, 0);
              PostMessage('', WM_CLOSE, 0, 0);
            }));
            console.log('ready');
        """
        log = self.drop_onto("drop-target", script, ["C:\\one.txt", "D:\\two words\\\u65e5\u672c.txt"])
        self.assertIn("accepts true", log)
        self.assertIn("dropped 0=C:\\one.txt | 1=D:\\two words\\\u65e5\u672c.txt length undefined", log)

    def test_a_drop_without_a_callback_still_ends_and_the_window_goes_on(self):
        script = """
            console.log('ready');
            setTimeout(function () {
              console.log('done');
              PostMessage('exe.zip.index.html', WM_CLOSE, 0, 0);
              PostMessage('', WM_CLOSE, 0, 0);
            }, 1000);
        """
        log = self.drop_onto("plain-target", script, ["C:\\ignored.txt"])
        self.assertEqual(log, ["ready", "done"])


class MessageBox(unittest.TestCase):
    def test_message_box_answered_from_outside(self):
        folder = tempfile.mkdtemp(prefix="webshell-box-")
        script = """
            setTimeout(function () {
              console.log('box answered ' + MessageBoxTimeout('Proceed?', 'webshell test', 1, 0, 60000));
              PostMessage('', WM_CLOSE, 0, 0);
            }, 100);
        """
        app = App(folder, {"exe.zip.index.html": page(script)}, name="box-app.exe")
        process = app.start()
        try:
            answered = harness.run(harness.options.dialog_driver, "box-app.exe", "cancel", timeout=60)
            self.assertEqual(answered.returncode, 0, answered.stdout + answered.stderr)
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertIn("box answered 2", app.log())  # IDCANCEL


class SingleInstance(unittest.TestCase):
    def test_second_start_activates_the_first_and_quits(self):
        folder = tempfile.mkdtemp(prefix="webshell-single-")
        name = "webshell-test-single-%d" % os.getpid()
        script = """
            var first = CreateGlobalHWND('%s');
            console.log('created ' + first);
            if (first == 0) {
              console.log('activated ' + SetForegroundGlobalHWND('%s'));
              PostMessage('', WM_CLOSE, 0, 0);
            } else {
              SetWindowPos('', '0', 0x40, 0, 0, 50, 50);
              UpdateGlobalHWND('%s', 'exe.zip.index.html');
              RegJSCB_WM_SYSCOMMAND(function (w, l) {
                if (w == 0xF120) { console.log('restored'); PostMessage('', WM_CLOSE, 0, 0); }
              });
              setTimeout(function () { console.log('gave up'); PostMessage('', WM_CLOSE, 0, 0); }, 15000);
            }
        """ % (name, name, name)
        app = App(folder, {"exe.zip.index.html": page(script)})
        first = app.start()
        try:
            self.assertTrue(app.wait_for_line("created 1"))
            second_log = os.path.join(folder, "second.log")
            second = app.start(console=second_log)
            self.assertEqual(second.wait(30), 1)
            self.assertEqual(app.log(second_log), ["created 0", "activated 1"])
            self.assertEqual(first.wait(30), 1)
            self.assertIn("restored", app.log())
            self.assertNotIn("gave up", app.log())
        finally:
            if first.poll() is None:
                first.kill()


if __name__ == "__main__":
    harness.main(["--dialog-driver", "--dropfiles", "--window-tool", "--process-tool"])
