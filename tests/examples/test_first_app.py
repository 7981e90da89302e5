"""A new author's first app: the four commands of the README's "Your first app" section, run as
written from a fresh folder (the build step builds into this build folder), make hello.exe; it
runs under Wine, shows its window (a PNG screenshot is saved as hello-screenshot.png in the
build folder), answers its native-call button, fills in its callback, drags by its caption and
ends when closed."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import options, windows_path  # noqa: E402

README = os.path.join(harness.ROOT, "README.md")
WINDOW_CLASS = "VELQ___engine_v1 wke"
TITLE = "hello"
CSS = os.path.join(harness.ROOT, "examples", "hello", "css", "app.css")


def readme_steps():
    """The commands between the README's first-app markers, one per line, comments removed."""
    with open(README, encoding="utf-8") as f:
        text = f.read()
    block = re.search(r"<!-- first-app-steps -->\n(.*?)<!-- /first-app-steps -->", text, re.S)
    assert block, "README.md has no first-app steps"
    steps = []
    for line in block.group(1).splitlines():
        line = line.strip()
        if line and not line.startswith("```"):
            steps.append(re.sub(r"\s+#.*$", "", line))
    return steps


def centre(*selectors):
    """The centre of a box of the starter app's style sheet, its place and size gathered from
    the rules of the given selectors."""
    with open(CSS, encoding="utf-8") as f:
        text = re.sub(r"/\*.*?\*/", "", f.read(), flags=re.S)
    values = {}
    for selector in reversed(selectors):
        for selectors_text, body in re.findall(r"([^{}]+)\{([^}]*)\}", text):
            if selector in [s.strip() for s in selectors_text.split(",")]:
                values.update((k, int(v)) for k, v in re.findall(r"(left|top|width|height)\s*:\s*(\d+)px", body))
    return values["left"] + values["width"] // 2, values["top"] + values["height"] // 2


def window_info(wait_ms=30000):
    return harness.window_info(options.window_tool, WINDOW_CLASS, TITLE, wait_ms)


class FirstApp(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-first-app-")
        self.console = os.path.join(self.folder, "console.log")

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def log(self):
        if not os.path.exists(self.console):
            return []
        with open(self.console, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\r\n") for line in f]

    def wait_for(self, prefix, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.log():
                if line.startswith(prefix):
                    return line
            time.sleep(0.1)
        return None

    def test_readme_steps_make_a_hello_exe_that_runs(self):
        steps = readme_steps()
        self.assertEqual(len(steps), 4, steps)
        # Run as a new author would, in a fresh folder; "tools/" is this checkout's. The build
        # step builds the architecture under test into this build folder.
        script = [step.replace("tools/", harness.ROOT + "/tools/") for step in steps]
        env = dict(os.environ, WEBSHELL_ARCH=options.arch, WEBSHELL_BUILD_DIR=os.path.abspath(options.build_dir),
                   WEBSHELL_CONSOLE=windows_path(self.console))
        build = subprocess.run(["bash", "-euo", "pipefail", "-c", "\n".join(script[:3]) + '\necho "build=$build"'],
                               cwd=self.folder, env=env, capture_output=True, text=True, timeout=800)
        self.assertEqual(build.returncode, 0, build.stdout + build.stderr)
        self.assertIn("build=" + os.path.abspath(options.build_dir), build.stdout)
        exe = os.path.join(self.folder, "hello.exe")
        self.assertTrue(os.path.isfile(exe), "the steps made no hello.exe")
        self.assertTrue(os.path.isfile(os.path.join(self.folder, "hello", "exe.zip.index.html")))

        # The fourth step runs the program; it ends when its window is closed.
        program = subprocess.Popen(["bash", "-c", script[3]], cwd=self.folder, env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            info = window_info()
            self.assertIsNotNone(info, "hello.exe showed no window titled hello")
            self.assertEqual(info["visible"], [1])
            left, top, right, bottom = info["rect"]
            self.assertEqual((right - left, bottom - top), (360, 240))
            self.assertIsNotNone(self.wait_for("[log] hello is running"), self.log())
            time.sleep(1)  # let the page paint once more after it was shown
            shot = os.path.join(options.build_dir, "hello-screenshot.png")
            self.assertEqual(harness.screenshot(info["rect"], shot), (360, 240))

            # The button that calls a native function shows (and logs) its result.
            x, y = centre("#ask", ".button")
            self.assertEqual(harness.run(options.window_tool, "click", WINDOW_CLASS, TITLE, str(x), str(y)).returncode, 0)
            answer = self.wait_for("[log] native result: ")
            self.assertIsNotNone(answer, self.log())
            self.assertRegex(answer, r"native result: ver\.[A-Z][a-z]{2} [ 0-9]\d \d{4}\.\d\d:\d\d:\d\d$")

            # The callback example: a background file listing calls back on the page.
            x, y = centre("#list", ".button")
            self.assertEqual(harness.run(options.window_tool, "click", WINDOW_CLASS, TITLE, str(x), str(y)).returncode, 0)
            listed = self.wait_for("[log] callback: ")
            self.assertIsNotNone(listed, self.log())
            # The folder holds at least hello.exe, the hello folder and the console log.
            self.assertGreaterEqual(int(re.search(r"callback: (\d+) entries", listed).group(1)), 3)

            # Dragging the caption moves the window.
            drag = harness.run(options.window_tool, "drag", WINDOW_CLASS, TITLE, "100", "20", "40", "30")
            self.assertEqual(drag.returncode, 0, drag.stdout + drag.stderr)
            moved = window_info()
            self.assertEqual(moved["rect"], [left + 40, top + 30, right + 40, bottom + 30])

            x, y = centre("#close")
            harness.run(options.window_tool, "click", WINDOW_CLASS, TITLE, str(x), str(y))
            self.assertEqual(program.wait(30), 1)  # a normal run ends with exit code 1
            self.assertIn("[log] closing", self.log())
            self.assertEqual([line for line in self.log() if line.startswith(("[uncaught]", "[warn]", "[error]"))], [])
        finally:
            if program.poll() is None:
                harness.run(options.window_tool, "post", WINDOW_CLASS, TITLE, "0x10", "0", "0")
                try:
                    program.wait(20)
                except subprocess.TimeoutExpired:
                    program.kill()
                    program.wait()


if __name__ == "__main__":
    harness.main(["--window-tool"])
