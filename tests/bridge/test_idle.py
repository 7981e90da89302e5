"""A program whose pages do not change stays idle: its windows stop painting while nothing
changes, and still show every change that comes later, from the page's own timer or from a
worker's callback that changes another window's page."""
import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402


# Windows go to the screen's far corner, away from other tests' windows and pointer on the
# same display; CENTRE is the middle of the box there.
CENTRE = (1140, 930)


def coloured_page(script):
    """A page filled by one opaque red box of 200 x 100 that runs script."""
    return ('<html><body style="margin: 0"><div id="box" style="position: absolute; left: 0; top: 0; '
            'width: 200px; height: 100px; background: #ff0000"></div><script>' + harness.PAGE_CONSTANTS + script +
            "</script></body></html>")


def presented(trace):
    if not os.path.exists(trace):
        return 0
    with open(trace, errors="replace") as lines:
        return sum(1 for line in lines if "host: presented" in line)


class Idle(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-idle-")
        self.trace = os.path.join(self.folder, "trace.txt")

    def start(self, files):
        app = App(self.folder, files)
        process = app.start(env={"WEBSHELL_TRACE": harness.windows_path(self.trace)})
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return app, process

    def assert_asleep_while_waiting(self, app, seconds=2.0):
        # Another test's windows and pointer on the same display may make a window paint, so
        # what is counted is how often the program's threads wake: a repaint timer ticking for
        # nothing, or a loop polling its queue, wakes it about a hundred times a second each
        # (over 400 in all with the two windows here). Left alone it woke 0 times; beside other
        # tests' windows and pointer up to about 40 times a second.
        markers = (os.path.basename(app.exe).encode(), os.path.basename(self.folder).encode())
        before = harness.context_switches(*markers)
        time.sleep(seconds)
        woke = harness.context_switches(*markers) - before
        self.assertGreater(before, 0, "the program was not found")
        self.assertLess(woke / seconds, 150, "the program kept waking while nothing changed")

    def test_a_page_that_waits_paints_nothing_and_its_later_change_is_shown(self):
        entry = coloured_page("""
            SetWindowLong('', -20, 0x80000);
            SetWindowPos('', '0', 0x40, 1040, 880, 200, 100);
            setTimeout(function () { console.log('shown'); }, 300);
            // Only the engine's own timer runs here: no native function, no window message.
            setTimeout(function () {
              document.getElementById('box').style.background = '#00ff00';
              console.log('changed');
            }, 3500);
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 9000);
        """)
        app, process = self.start({"exe.zip.index.html": entry})
        self.assertTrue(app.wait_for_line("shown"))
        time.sleep(0.5)
        self.assertGreater(presented(self.trace), 0)
        self.assertEqual(harness.screen_pixel(*CENTRE), (255, 0, 0))
        self.assert_asleep_while_waiting(app)
        self.assertTrue(app.wait_for_line("changed"))
        harness.wait_until(lambda: harness.screen_pixel(*CENTRE) == (0, 255, 0), timeout=5)
        self.assertEqual(harness.screen_pixel(*CENTRE), (0, 255, 0))
        self.assertEqual(process.wait(30), 1)

    def test_a_workers_callback_in_one_window_changing_another_is_shown(self):
        # The hidden entry page waits on an event nobody sets; when the wait times out on its
        # worker, the callback changes the visible second window's page.
        entry = page("""
            SetCurrentWindowFlag('entry');
            wkeCreateWindow('idle-second', 0x80000000, 0x80000, '', 'second.html');
            var event = CreateEvent(0, 0, '');
            RegisterGlobalJSCallback('ready', function () {
              WaitForSingleObject(event, 4000, function (result) {
                wkeRunJS('idle-second', 'document.getElementById("box").style.background = "#0000ff"; console.log("blue")');
                setTimeout(function () { PostMessage('idle-second', WM_CLOSE, 0, 0); PostMessage('', WM_CLOSE, 0, 0); },
                           1500);
              });
            });
        """)
        second = coloured_page("""
            SetWindowPos('', '0', 0x40, 1040, 880, 200, 100);
            setTimeout(function () { console.log('second shown'); CallGlobalJSCallback('ready'); }, 300);
        """)
        app, process = self.start({"exe.zip.index.html": entry, "second.html": second})
        self.assertTrue(app.wait_for_line("second shown"))
        time.sleep(0.5)
        self.assertEqual(harness.screen_pixel(*CENTRE), (255, 0, 0))
        self.assert_asleep_while_waiting(app)
        self.assertTrue(app.wait_for_line("blue", timeout=10))
        harness.wait_until(lambda: harness.screen_pixel(*CENTRE) == (0, 0, 255), timeout=5)
        self.assertEqual(harness.screen_pixel(*CENTRE), (0, 0, 255))
        self.assertEqual(process.wait(30), 1)


if __name__ == "__main__":
    harness.main()
