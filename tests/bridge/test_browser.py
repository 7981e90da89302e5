"""System-browser windows under Wine: a page opens one on a loopback address, the control asks
the server for it, the window carries its flag and its size, closing it takes the flag away,
it does not keep the program running, and opening and closing many leaves no growth."""
import http.server
import os
import sys
import tempfile
import threading
import time
import uuid
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, wait_until  # noqa: E402

BROWSER_CLASS = "VELQ___engine_v1 wie"
WS_OVERLAPPEDWINDOW = 0x00CF0000


class Recorder(http.server.BaseHTTPRequestHandler):
    paths = []

    def do_GET(self):  # noqa: N802
        Recorder.paths.append(self.path)
        body = b"<html><body>patch notes</body></html>"
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass



class BrowserWindows(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-browser-")
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Recorder)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        Recorder.paths = []
        self.title = "webshell browser test " + uuid.uuid4().hex

    def tearDown(self):
        self.server.shutdown()
        self.server.server_close()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.server.server_address[1], path)

    def step(self, name):
        with open(os.path.join(self.folder, name), "w") as marker:
            marker.write(name)

    def script(self, body):
        folder = harness.windows_path(self.folder).replace("\\", "\\\\")
        return page("""
            var folder = '%s\\\\';
            function after(name, then) {
              if (IsFileExists(folder + name)) then();
              else setTimeout(function () { after(name, then); }, 50);
            }
            function rect(flag) { var r = GetWindowRect(flag);
              return [r.left, r.top, r.right, r.bottom].join(' '); }
        """ % folder + body)

    def test_opens_navigates_sizes_and_closes_with_its_flag(self):
        body = """
            wieCreateWindow('%(title)s', %(style)d, 0, '', '%(url)s');
            SetWindowPos('%(title)s', '', 0x14, 40, 50, 400, 300);
            console.log('opened ' + rect('%(title)s'));
            after('close', function () {
              PostMessage('%(title)s', WM_CLOSE, 0, 0);
              setTimeout(function () {
                console.log('closed ' + rect('%(title)s'));
                PostMessage('', WM_CLOSE, 0, 0);
              }, 300);
            });
        """ % {"title": self.title, "style": WS_OVERLAPPEDWINDOW, "url": self.url("/news.html?from=page")}
        app = App(self.folder, {"exe.zip.index.html": self.script(body)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("opened 40 50 440 350"), app.log())
            self.assertTrue(wait_until(lambda: "/news.html?from=page" in Recorder.paths, 15), Recorder.paths)
            info = harness.run(harness.options.window_tool, "info", BROWSER_CLASS, self.title, "5000")
            self.assertEqual(info.returncode, 0, info.stdout + info.stderr)
            self.assertIn("rect 40 50 440 350", info.stdout)
            self.assertIn("visible 1", info.stdout)
            self.step("close")
            self.assertTrue(app.wait_for_line("closed 0 0 0 0"), app.log())
            self.assertEqual(process.wait(30), 1)
            gone = harness.run(harness.options.window_tool, "gone", BROWSER_CLASS, self.title, "3000")
            self.assertEqual(gone.returncode, 0)
        finally:
            if process.poll() is None:
                process.kill()

    def test_the_last_engine_window_ends_the_program_while_a_browser_window_is_open(self):
        body = """
            wieCreateWindow('%(title)s', %(style)d, 0, '', '%(url)s');
            SetWindowPos('%(title)s', '', 0x14, 10, 10, 300, 200);
            console.log('opened ' + rect('%(title)s'));
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 500);
        """ % {"title": self.title, "style": WS_OVERLAPPEDWINDOW, "url": self.url("/shop.html")}
        app = App(self.folder, {"exe.zip.index.html": self.script(body)})
        self.assertEqual(app.run(timeout=30), 1)
        self.assertIn("opened 10 10 310 210", app.log())
        gone = harness.run(harness.options.window_tool, "gone", BROWSER_CLASS, self.title, "3000")
        self.assertEqual(gone.returncode, 0)

    def test_two_hundred_windows_opened_and_closed_leave_memory_flat(self):
        body = """
            console.log('pid ' + GetCurrentProcessId());
            var opened = 0;
            function churn(times, then) {
              if (times == 0) { then(); return; }
              wieCreateWindow('%(title)s', %(style)d, 0, '', 'about:blank');
              opened++;
              setTimeout(function () {
                PostMessage('%(title)s', WM_CLOSE, 0, 0);
                setTimeout(function () { churn(times - 1, then); }, 5);
              }, 5);
            }
            churn(20, function () {
              console.log('warm ' + opened);
              after('more', function () {
                churn(200, function () {
                  console.log('churned ' + opened + ' flag ' + rect('%(title)s'));
                  after('end', function () { PostMessage('', WM_CLOSE, 0, 0); });
                });
              });
            });
        """ % {"title": self.title, "style": WS_OVERLAPPEDWINDOW}
        app = App(self.folder, {"exe.zip.index.html": self.script(body)})
        process = app.start()

        def committed():
            probe = harness.run(harness.options.process_tool, "memory", app.values("pid")[0])
            self.assertEqual(probe.returncode, 0, probe.stderr)
            return int(probe.stdout.split()[1])

        try:
            self.assertTrue(app.wait_for_line("warm 20", timeout=60), app.log())
            time.sleep(0.5)
            before = committed()
            self.step("more")
            self.assertTrue(app.wait_for_line("churned 220 flag 0 0 0 0", timeout=180), app.log()[-3:])
            time.sleep(0.5)
            after = committed()
            print("200 browser windows: committed %d -> %d bytes" % (before, after))
            self.assertLess(after - before, 3 * 1024 * 1024)
            self.step("end")
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()


if __name__ == "__main__":
    harness.main(["--window-tool", "--process-tool"])
