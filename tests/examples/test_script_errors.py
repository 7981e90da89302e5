"""What an author sees of mistakes on the developer console (WEBSHELL_CONSOLE): syntax and
run-time errors name file, line and column and the message; a native function called with an
argument of the wrong type warns once, naming the function and the argument, and keeps its
result; without the console nothing is written, and nothing ever opens a dialog."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, options  # noqa: E402

# Pages end themselves: the last script closes the window, which ends the program (exit code 1).
CLOSE = "<script>console.log('done'); PostMessage('', WM_CLOSE, 0, 0);</script>"


def page(body):
    return "<html><body><script>" + harness.PAGE_CONSTANTS + "</script>\n" + body + "\n" + CLOSE + "</body></html>"


class ScriptErrors(unittest.TestCase):
    def make(self, files):
        return App(tempfile.mkdtemp(prefix="webshell-script-errors-"), files)

    def run_app(self, files, env=None):
        app = self.make(files)
        self.assertEqual(app.run(timeout=60, env=env), 1, "the program did not end normally")
        return app, app.log()

    def uncaught(self, log):
        return [line for line in log if line.startswith("[uncaught] ")]

    def test_syntax_errors_name_file_line_and_column(self):
        index = page("<script src=\"js/app.js\"></script>\n"
                     "<script>\n"
                     "  var total = (1 + ;\n"
                     "</script>\n"
                     "<script>console.log('still running');</script>")
        app, log = self.run_app({"exe.zip.index.html": index,
                                 "js/app.js": "// the app\nvar x = 1;\nvar label = 'unfinished;\n"})
        self.assertEqual(self.uncaught(log), [
            "[uncaught] js/app.js:3:13: SyntaxError: unterminated string",
            "[uncaught] exe.zip.index.html:4:20: SyntaxError: empty expression not allowed",
        ])
        self.assertIn("still running", log)
        self.assertIn("done", log)

    def test_runtime_errors_name_file_line_and_column(self):
        index = page("<script src=\"js/app.js\"></script>\n"
                     "<script>\n"
                     "  var settings = {};\n"
                     "  var size = settings.window.width;\n"
                     "</script>\n"
                     "<script>start();</script>")
        app, log = self.run_app({"exe.zip.index.html": index,
                                 "js/app.js": "function start() {\n  console.log('starting');\n  launchGame(1);\n}\n"})
        self.assertEqual(self.uncaught(log), [
            "[uncaught] exe.zip.index.html:5:30: TypeError: cannot read property 'width' of undefined",
            "[uncaught] js/app.js:3:3: ReferenceError: identifier 'launchGame' undefined",
        ])
        self.assertIn("starting", log)
        self.assertIn("done", log)

    WRONG_CALLS = page("<script>\n"
                       "  var wide = GetSystemMetrics('wide');\n"
                       "  var same = GetSystemMetrics(0);\n"
                       "  SetWindowText('', {title: 'x'});\n"
                       "  var again = GetSystemMetrics(1);\n"
                       "  WriteUTF8File(GetProcessPath() + '.result', wide + ' ' + same);\n"
                       "</script>")

    def test_a_wrong_type_warns_once_with_the_console_on(self):
        app, log = self.run_app({"exe.zip.index.html": self.WRONG_CALLS})
        warnings = [line for line in log if line.startswith("[warn] ")]
        self.assertEqual(warnings, [
            "[warn] GetSystemMetrics: argument 1 (index) should be a number, not a text",
            "[warn] SetWindowText: argument 2 (text) should be a text, not an object",
        ])
        # The result is what the conversion gives: 'wide' reads as 0, the screen width.
        with open(app.exe + ".result", encoding="utf-8-sig") as f:
            wide, same = f.read().split()
        self.assertEqual(wide, same)
        self.assertGreater(int(same), 0)

    def test_nothing_is_written_with_the_console_off(self):
        app = self.make({"exe.zip.index.html": self.WRONG_CALLS})
        before = set(os.listdir(app.folder))
        process = app.start(env={"WEBSHELL_CONSOLE": ""})
        self.assertEqual(process.wait(60), 1)
        self.assertFalse(os.path.exists(app.console))
        # Only the page's own result file is new: no log anywhere beside the program.
        self.assertEqual(set(os.listdir(app.folder)) - before, {"app.exe.result"})
        with open(app.exe + ".result", encoding="utf-8-sig") as f:
            wide, same = f.read().split()
        self.assertEqual(wide, same)


if __name__ == "__main__":
    harness.main()
