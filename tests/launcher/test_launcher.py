"""The shipped launcher end to end under Wine: webshell.exe with langset.exe and a settings file
naming a stand-in game in a folder of their own. The window is driven by real mouse messages
at the controls' places (read from the launcher's own style sheet), and the test checks the
window, the registry, the game's report, the single instance, the self-update and the exit
codes."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import Registry, options, windows_path  # noqa: E402

from harness import GAME_SETTINGS_KEY as SETTINGS_KEY, GAME_VENDOR_KEY as VENDOR_KEY  # noqa: E402
WINDOW_CLASS = "VELQ___engine_v1 wke"
LAUNCHER_TITLE = "main.html"
STYLE_SHEET = os.path.join(harness.ROOT, "package", "css", "launcher.css")


def control_centres():
    """{id: (x, y)}: the centre of every absolutely placed control of the launcher."""
    with open(STYLE_SHEET, encoding="utf-8") as sheet:
        text = re.sub(r"/\*.*?\*/", "", sheet.read(), flags=re.S)
    rules = {}
    for selector, body in re.findall(r"([^{}]+)\{([^}]*)\}", text):
        values = dict((name, int(number)) for name, number in
                      re.findall(r"(?:^|;)\s*(left|top|width|height)\s*:\s*(\d+)px", body))
        for one in selector.split(","):
            rules.setdefault(one.strip(), {}).update(values)
    centres = {}
    for selector, values in rules.items():
        if not selector.startswith("#"):
            continue
        name = selector[1:]
        if name.startswith(("text-", "voice-")) and name[-1].isdigit():
            values = dict(rules[".choice"], **values)
        if all(key in values for key in ("left", "top", "width", "height")):
            centres[name] = (values["left"] + values["width"] // 2, values["top"] + values["height"] // 2)
    return centres


CONTROLS = control_centres()


def crc(path):
    with open(path, "rb") as data:
        return zlib.crc32(data.read()) & 0xFFFFFFFF


def window_info(wait_ms=20000):
    """What window_tool reports about the launcher window, or None when there is none."""
    return harness.window_info(options.window_tool, WINDOW_CLASS, LAUNCHER_TITLE, wait_ms)


def click(control):
    x, y = CONTROLS[control]
    result = harness.run(options.window_tool, "click", WINDOW_CLASS, LAUNCHER_TITLE, str(x), str(y))
    assert result.returncode == 0, "no launcher window to click"


def launcher_gone(wait_ms=20000):
    return harness.run(options.window_tool, "gone", WINDOW_CLASS, LAUNCHER_TITLE, str(wait_ms)).returncode == 0


class Installation:
    """webshell.exe, langset.exe and, unless told otherwise, launcher.ini naming the stand-in
    game in Game\\game.exe, in a fresh folder."""

    def __init__(self, settings=True):
        self.folder = tempfile.mkdtemp(prefix="webshell-launcher-")
        self.exe = os.path.join(self.folder, "webshell.exe")
        self.update = os.path.join(self.folder, "webshell.new.exe")
        self.console = os.path.join(self.folder, "console.log")
        self.game = os.path.join(self.folder, "Game", "game.exe")
        self.game_report = self.game + ".txt"
        shutil.copyfile(options.shipped, self.exe)
        shutil.copyfile(options.langset, os.path.join(self.folder, "langset.exe"))
        os.makedirs(os.path.dirname(self.game))
        shutil.copyfile(options.game, self.game)
        if settings:
            with open(os.path.join(self.folder, "launcher.ini"), "w", encoding="ascii") as ini:
                ini.write("[Game]\r\nPath=Game\\game.exe\r\nArguments=-from-launcher \"two words\"\r\n")

    def start(self, console=None, program=None, arguments=()):
        env = dict(os.environ)
        env.pop("WEBSHELL_LAUNCHER_PID", None)
        env["WEBSHELL_CONSOLE"] = windows_path(console or self.console)
        return subprocess.Popen([harness.WINE_RUN, program or self.exe, *arguments], cwd=self.folder, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def log(self, console=None):
        path = console or self.console
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8", errors="replace") as log:
            return [line.rstrip("\r\n")[6:] if line.startswith("[log] ") else line.rstrip("\r\n") for line in log]

    def wait_for(self, text, timeout=30, console=None):
        """The first console line that starts with text, waiting for it; None when it never came."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.log(console):
                if line.startswith(text):
                    return line
            time.sleep(0.05)
        return None

    def game_runs(self):
        if not os.path.exists(self.game_report):
            return []
        with open(self.game_report, encoding="utf-8") as report:
            lines = report.read().splitlines()
        return [dict(line.split(" ", 1) for line in lines[i:i + 4]) for i in range(0, len(lines), 4)]


class LauncherCase(unittest.TestCase):
    def setUp(self):
        Registry.delete(VENDOR_KEY)
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        launcher_gone(5000)
        Registry.delete(VENDOR_KEY)

    def start(self, installation, **kwargs):
        process = installation.start(**kwargs)
        self.processes.append(process)
        return process

    def assertCentred(self, info):
        left, top, right, bottom = info["rect"]
        width, height = info["screen"]
        self.assertEqual((right - left, bottom - top), (400, 400))
        self.assertEqual((left, top), ((width - 400) // 2, (height - 400) // 2))

    def close_and_expect_exit(self, process):
        click("close")
        self.assertEqual(process.wait(30), 1)
        self.assertTrue(launcher_gone())


def write_png(path, width, height, rgba):
    """An RGBA PNG of the given rows."""
    def chunk(kind, data):
        return len(data).to_bytes(4, "big") + kind + data + (zlib.crc32(kind + data) & 0xFFFFFFFF).to_bytes(4, "big")
    rows = b"".join(b"\0" + rgba[y * width * 4:(y + 1) * width * 4] for y in range(height))
    header = width.to_bytes(4, "big") + height.to_bytes(4, "big") + bytes([8, 6, 0, 0, 0])
    with open(path, "wb") as png:
        png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
                  chunk(b"IEND", b""))


class Picture(LauncherCase):
    def test_the_launcher_as_painted_with_its_transparency(self):
        # The launcher's own pixels, as the engine paints them (premultiplied BGRA with alpha),
        # copied after every paint into shared memory; the screen of the test display cannot show
        # transparency. A copy of the shipped pages asks for that copy; nothing else changes.
        mapping = "webshell-launcher-picture-%d" % os.getpid()
        app = Installation()
        shutil.copyfile(options.host, app.exe)
        pages = os.path.join(harness.ROOT, "package")
        with zipfile.ZipFile(app.exe, "a", zipfile.ZIP_DEFLATED) as package:
            for folder, _, names in os.walk(pages):
                for name in names:
                    path = os.path.join(folder, name)
                    entry = os.path.relpath(path, pages).replace(os.sep, "/")
                    with open(path, "rb") as source:
                        data = source.read()
                    if entry == "main.html":
                        data = data.replace(b"</body>", b"<script>wkeUpdateRenderFM('', '%s', 640000);</script></body>"
                                            % mapping.encode())
                    package.writestr(entry, data)
            package.write(options.engine, "wke.dll")
        process = self.start(app)
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        time.sleep(1)
        dump = harness.run(options.sharedtool, "bytes", mapping, "0", "640000", timeout=60)
        self.assertEqual(dump.returncode, 0, dump.stdout + dump.stderr)
        bgra = bytes.fromhex("".join(dump.stdout.split()))
        self.assertEqual(len(bgra), 400 * 400 * 4)
        rgba = bytearray(len(bgra))
        for i in range(0, len(bgra), 4):
            b, g, r, a = bgra[i:i + 4]
            if a:
                rgba[i:i + 4] = bytes((min(255, r * 255 // a), min(255, g * 255 // a), min(255, b * 255 // a), a))
        write_png(os.path.join(options.build_dir, "launcher.png"), 400, 400, bytes(rgba))
        def alpha(x, y):
            return bgra[(y * 400 + x) * 4 + 3]
        self.assertEqual(alpha(0, 0), 0)        # rounded corner: the desktop shows through
        self.assertEqual(alpha(399, 399), 0)
        self.assertEqual(alpha(200, 200), 255)  # the body of the window is opaque
        self.close_and_expect_exit(process)


class Road(LauncherCase):
    def test_choose_languages_start_langset_then_the_game_and_close(self):
        app = Installation()
        process = self.start(app)
        info = window_info()
        self.assertIsNotNone(info, "the launcher window did not appear")
        self.assertCentred(info)
        self.assertEqual((info["visible"], info["count"]), ([1], [1]))
        self.assertIsNotNone(app.wait_for("launcher ready text 1 voice 0"), app.log())
        left, top, right, bottom = info["rect"]
        self.assertIn("launcher at %d,%d,%d,%d" % (left, top, right, bottom), app.log())
        pid = app.wait_for("process page ready ").split()[-1]

        click("text-5")
        click("voice-2")
        self.assertIsNotNone(app.wait_for("chose voice 2"), app.log())
        self.assertIn("chose text 5", app.log())
        size = harness.screenshot(info["rect"], os.path.join(options.build_dir, "launcher-screenshot.png"))
        self.assertEqual(size, (400, 400))
        self.assertIsNone(Registry.values(SETTINGS_KEY))

        click("start")
        self.assertIsNotNone(app.wait_for("game ended"), app.log())
        log = app.log()
        self.assertLess(log.index("langset ended"), log.index("game ended"))
        self.assertEqual(Registry.values(SETTINGS_KEY), {"Language": 5, "LanguageVoice": 2})
        runs = app.game_runs()
        self.assertEqual(len(runs), 1)
        self.assertEqual(runs[0]["Language"], "5")
        self.assertEqual(runs[0]["LanguageVoice"], "2")
        self.assertTrue(runs[0]["command"].endswith('-from-launcher "two words"'), runs[0]["command"])
        self.assertEqual(runs[0]["launcher"], pid)
        self.close_and_expect_exit(process)

        # The next start shows the choices the game now has.
        again = self.start(app)
        self.assertIsNotNone(app.wait_for("launcher ready text 5 voice 2"), app.log())
        self.assertIsNotNone(window_info())
        self.close_and_expect_exit(again)

    def test_the_caption_drags_the_window_and_the_rest_does_not(self):
        app = Installation()
        process = self.start(app)
        before = window_info()
        self.assertIsNotNone(before)
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        x, y = CONTROLS["status"]
        self.assertEqual(self.drag(x, y, -120, -90), 0)
        self.assertEqual(window_info()["rect"], before["rect"])
        self.assertEqual(self.drag(260, 22, -120, -90), 0)
        left, top, right, bottom = before["rect"]
        self.assertEqual(window_info()["rect"], [left - 120, top - 90, right - 120, bottom - 90])
        self.close_and_expect_exit(process)

    @staticmethod
    def drag(x, y, dx, dy):
        return harness.run(options.window_tool, "drag", WINDOW_CLASS, LAUNCHER_TITLE,
                           str(x), str(y), str(dx), str(dy)).returncode

    def test_missing_settings_are_reported_and_nothing_runs(self):
        app = Installation(settings=False)
        process = self.start(app)
        self.assertIsNotNone(window_info())
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        click("start")
        problem = app.wait_for("problem ")
        self.assertIsNotNone(problem, app.log())
        self.assertIn("launcher.ini is missing", problem)
        time.sleep(1)
        self.assertIsNone(Registry.values(SETTINGS_KEY))
        self.assertEqual(app.game_runs(), [])
        self.close_and_expect_exit(process)


class SingleInstance(LauncherCase):
    def test_second_start_restores_the_first_and_quits(self):
        app = Installation()
        first = self.start(app)
        self.assertIsNotNone(window_info())
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        click("minimise")
        deadline = time.monotonic() + 10
        while window_info()["iconic"] != [1] and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(window_info()["iconic"], [1])

        second_console = os.path.join(app.folder, "second.log")
        second = self.start(app, console=second_console)
        self.assertEqual(second.wait(30), 1)
        self.assertIn("already running: activated 1", app.log(second_console))
        info = window_info()
        self.assertEqual((info["iconic"], info["visible"], info["count"]), ([0], [1], [1]))
        self.assertIsNone(first.poll())
        self.close_and_expect_exit(first)


def newer_copy(program, path):
    """A different build of the program: the same package with one more entry."""
    shutil.copyfile(program, path)
    with zipfile.ZipFile(path, "a", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("version.txt", "a newer build %f" % time.time())


class SelfUpdate(LauncherCase):
    def test_close_replaces_the_program_with_the_newer_copy_and_restarts_it(self):
        app = Installation()
        newer_copy(app.exe, app.update)
        wanted = crc(app.update)
        self.assertNotEqual(crc(app.exe), wanted)
        process = self.start(app)
        self.assertIsNotNone(window_info())
        self.assertIsNotNone(app.wait_for("launcher ready"), app.log())
        click("close")
        self.assertEqual(process.wait(30), 1)

        self.assertIsNotNone(app.wait_for("update copy removed", timeout=60), app.log())
        self.assertEqual(crc(app.exe), wanted)
        self.assertFalse(os.path.exists(app.update))
        self.assertFalse(os.path.exists(app.exe + ".partial"))
        log = app.log()
        for line in ("update started 1", "updating " + windows_path(app.exe), "update crc matches", "restarted 1",
                     "updated from " + windows_path(app.update)):
            self.assertIn(line, log)
        info = window_info()
        self.assertIsNotNone(info, "the updated program shows no launcher")
        self.assertCentred(info)
        self.assertEqual(info["count"], [1])
        click("close")
        self.assertTrue(launcher_gone())
        # The restarted program has no launcher left, so it ends; nothing updates again.
        time.sleep(1)
        self.assertEqual(crc(app.exe), wanted)
        self.assertEqual(log.count("update started 1"), app.log().count("update started 1"))

    def test_a_copy_equal_to_the_program_is_removed_without_a_restart(self):
        app = Installation()
        shutil.copyfile(app.exe, app.update)
        before = crc(app.exe)
        process = self.start(app)
        self.assertIsNotNone(window_info())
        self.close_and_expect_exit(process)
        self.assertFalse(os.path.exists(app.update))
        self.assertEqual(crc(app.exe), before)
        self.assertNotIn("update started 1", app.log())
        self.assertIsNone(window_info(wait_ms=1000))

    def test_a_locked_program_is_left_whole_after_ten_tries(self):
        app = Installation()
        newer_copy(app.exe, app.update)
        before = crc(app.exe)
        ready = os.path.join(app.folder, "locked")
        lock = subprocess.Popen([harness.WINE_RUN, options.file_lock, app.exe, "15000", ready],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(lock)
        deadline = time.monotonic() + 20
        while not os.path.exists(ready) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(os.path.exists(ready), "the lock was not taken")

        started = time.monotonic()
        updater = self.start(app, program=app.update, arguments=("-update", windows_path(app.exe)))
        self.assertEqual(updater.wait(30), 1)
        self.assertGreaterEqual(time.monotonic() - started, 4.5)
        log = app.log()
        self.assertEqual([line for line in log if line.startswith("locked ")],
                         ["locked %d" % n for n in range(1, 11)])
        self.assertIn("update gave up: %s stays locked" % windows_path(app.exe), log)
        self.assertNotIn("restarted 1", log)
        lock.wait(30)
        self.assertEqual(crc(app.exe), before)
        self.assertTrue(os.path.exists(app.update))
        self.assertFalse(os.path.exists(app.exe + ".partial"))
        self.assertIsNone(window_info(wait_ms=500))

    def test_an_update_for_another_program_is_refused(self):
        app = Installation()
        newer_copy(app.exe, app.update)
        other = os.path.join(app.folder, "other.exe")
        shutil.copyfile(app.exe, other)
        before = crc(other)
        updater = self.start(app, program=app.update, arguments=("-update", windows_path(other)))
        self.assertEqual(updater.wait(30), 1)
        self.assertIn("update refused: " + windows_path(other), app.log())
        self.assertEqual(crc(other), before)
        self.assertIsNone(window_info(wait_ms=500))


if __name__ == "__main__":
    harness.main(["--shipped", "--langset", "--game", "--window-tool", "--file-lock", "--sharedtool"])
