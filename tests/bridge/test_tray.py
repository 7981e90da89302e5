"""The notification-area icon of a page's window under Wine: adding it, changing its tooltip,
showing a balloon, removing it, clicks on the icon reaching the page's callbacks, the icon
going with its window and coming back on a new taskbar. Wine's own tray is driven: the
tray_tool helper reads the shell's tooltips and sends the icon window the mouse messages a
user's clicks make."""
import os
import sys
import tempfile
import time
import uuid
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, wait_until  # noqa: E402

WINDOW_CLASS = "VELQ___engine_v1 wke"
# Each page names its window uniquely, so the helpers never reach another program's window.
TITLE = "webshell tray test " + uuid.uuid4().hex


def tray(*args):
    return harness.run(harness.options.tray_tool, *args)


def said(result):
    """What a tray_tool run printed, with its exit code and errors when it printed nothing."""
    return result.stdout.strip() or "(exit %d) %s" % (result.returncode, result.stderr.strip())


class TrayIcon(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-tray-")

    def step(self, name):
        """Lets the page go on to its next step (it waits for a file of that name)."""
        with open(os.path.join(self.folder, name), "w") as marker:
            marker.write(name)

    def present(self):
        return said(tray("present", WINDOW_CLASS, TITLE))

    def texts(self):
        return tray("texts").stdout.splitlines()

    def clicks(self, app):
        return app.values("click")

    def test_add_tip_balloon_clicks_remove_and_a_new_taskbar(self):
        folder = harness.windows_path(self.folder).replace("\\", "\\\\")
        script = """
            var folder = '%s\\\\';
            function after(name, then) {
              if (IsFileExists(folder + name)) then();
              else setTimeout(function () { after(name, then); }, 50);
            }
            function clicked(text) { return function () { console.log('click ' + text); }; }
            var long = 'second tip ';
            while (long.length < 300) long += 'x';
            ShellNotifyIcon('', {uFlags: 7, szTip: 'first tip',
                                 MessageJSCallBack_513: clicked('513 first'),
                                 MessageJSCallBack_515: clicked('515'),
                                 MessageJSCallBack_517: clicked('517')});
            console.log('added');
            after('tip', function () {
              ShellNotifyIcon('', {NIM_contrl_code: 1, uFlags: 4, szTip: long});
              console.log('tip changed');
              after('balloon', function () {
                ShellNotifyIcon('', {NIM_contrl_code: 1, uFlags: 0x10, dwInfoFlags: 1,
                                     szInfoTitle: 'Harbor news', szInfo: 'The ship is in'});
                console.log('balloon shown');
                after('clicks', function () {
                  ShellNotifyIcon('', {NIM_contrl_code: 1, MessageJSCallBack_513: clicked('513 later')});
                  console.log('ready for clicks');
                  after('delete', function () {
                    ShellNotifyIcon('', {NIM_contrl_code: 2});
                    console.log('deleted');
                    after('again', function () {
                      ShellNotifyIcon('', {NIM_contrl_code: 0, uFlags: 7, szTip: 'third tip'});
                      console.log('added again');
                    });
                  });
                });
              });
            });
        """ % folder
        app = App(self.folder, {"exe.zip.index.html": page("SetWindowText('', '%s');" % TITLE + script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("added"))
            self.assertEqual(self.present(), "present 1")
            self.assertTrue(wait_until(lambda: "tip first tip" in self.texts()), self.texts())
            self.assertEqual(tray("count").stdout.strip(), "icons 1")

            self.step("tip")
            self.assertTrue(app.wait_for_line("tip changed"))
            # The tooltip member holds 127 characters: the longer text is cut there.
            want = "tip " + ("second tip " + "x" * 300)[:127]
            self.assertTrue(wait_until(lambda: want in self.texts()), self.texts())
            self.assertNotIn("tip first tip", self.texts())

            self.step("balloon")
            self.assertTrue(app.wait_for_line("balloon shown"))
            self.assertTrue(wait_until(lambda: "tip The ship is in visible" in self.texts()), self.texts())

            self.step("clicks")
            self.assertTrue(app.wait_for_line("ready for clicks"))
            for message in ("513", "514", "515", "516", "517"):
                clicked = tray("click", message)
                self.assertEqual(clicked.returncode, 0, message + " " + clicked.stdout + tray("windows").stdout)
            self.assertTrue(wait_until(lambda: len(self.clicks(app)) >= 3), self.clicks(app))
            time.sleep(0.5)
            # 513 was registered again: the later function answers. 514 and 516 have none.
            self.assertEqual(self.clicks(app), ["513 later", "515", "517"])

            # What the shell sends the window itself: the mouse message in the low word, the
            # icon id in the high word; other notifications call nothing.
            for lparam in ("0x10203", "0x10200", "0x10400", "0x205"):
                self.assertEqual(tray("notify", WINDOW_CLASS, TITLE, lparam).stdout.strip(), "result 0")
            self.assertTrue(wait_until(lambda: len(self.clicks(app)) >= 5), self.clicks(app))
            self.assertEqual(self.clicks(app), ["513 later", "515", "517", "515", "517"])

            # A shell that restarts has lost every icon; its new taskbar brings this one back,
            # with the tooltip it had last.
            self.assertEqual(said(tray("forget", WINDOW_CLASS, TITLE)), "forgot 1")
            self.assertEqual(self.present(), "present 0")
            self.assertEqual(tray("taskbar-created", WINDOW_CLASS, TITLE).returncode, 0)
            self.assertEqual(self.present(), "present 1")
            self.assertTrue(wait_until(lambda: want in self.texts()), self.texts())

            self.step("delete")
            self.assertTrue(app.wait_for_line("deleted"))
            self.assertEqual(self.present(), "present 0")
            self.assertTrue(wait_until(lambda: tray("count").stdout.strip() == "icons 0"))
            # Removed icons stay removed on a new taskbar; the callbacks stay registered.
            tray("taskbar-created", WINDOW_CLASS, TITLE)
            self.assertEqual(self.present(), "present 0")
            tray("notify", WINDOW_CLASS, TITLE, "0x10201")
            self.assertTrue(wait_until(lambda: len(self.clicks(app)) >= 6))
            self.assertEqual(self.clicks(app)[-1], "513 later")

            self.step("again")
            self.assertTrue(app.wait_for_line("added again"))
            self.assertEqual(self.present(), "present 1")
            self.assertTrue(wait_until(lambda: "tip third tip" in self.texts()), self.texts())

            # Closing the window takes its icon away.
            self.assertEqual(harness.run(harness.options.window_tool, "post", WINDOW_CLASS, TITLE, "0x10", "0",
                                         "0").returncode, 0)
            self.assertEqual(process.wait(30), 1)
            self.assertTrue(wait_until(lambda: tray("count").stdout.strip() == "icons 0"))
            self.assertNotIn("tip third tip", self.texts())
        finally:
            if process.poll() is None:
                process.kill()

    def test_an_unknown_flag_changes_nothing_and_the_result_is_undefined(self):
        script = """
            console.log('unknown ' + typeof ShellNotifyIcon('nobody', {uFlags: 6, szTip: 'never'}));
            console.log('own ' + typeof ShellNotifyIcon('', {uFlags: 6, szTip: 'own window'}));
        """
        app = App(self.folder, {"exe.zip.index.html": page("SetWindowText('', '%s');" % TITLE + script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("own undefined"))
            self.assertIn("unknown undefined", app.log())
            self.assertEqual(self.present(), "present 1")
            self.assertTrue(wait_until(lambda: "tip own window" in self.texts()), self.texts())
            self.assertNotIn("tip never", self.texts())
            self.assertEqual(tray("count").stdout.strip(), "icons 1")
            harness.run(harness.options.window_tool, "post", WINDOW_CLASS, TITLE, "0x10", "0", "0")
            self.assertEqual(process.wait(30), 1)
            self.assertTrue(wait_until(lambda: tray("count").stdout.strip() == "icons 0"))
        finally:
            if process.poll() is None:
                process.kill()


if __name__ == "__main__":
    harness.main(["--window-tool", "--tray-tool"])
