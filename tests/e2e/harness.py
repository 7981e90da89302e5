"""Shared pieces of the end-to-end drivers: running Windows programs under Wine through
tools/wine-run and reading back what they left behind."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")

options = argparse.Namespace()

# The game's settings key that langset writes and the launcher reads (HKEY_CURRENT_USER), and
# its vendor folder, which tests delete to start clean.
GAME_SETTINGS_KEY = r"Software\Quillmoor\Lantern Harbor 9 for Orbit\Graphic Setting"
GAME_KEY = GAME_SETTINGS_KEY.rsplit("\\", 1)[0]
GAME_VENDOR_KEY = GAME_KEY.rsplit("\\", 1)[0]


def is_64bit():
    """True when the build under test is the x86_64 one."""
    return options.arch == "x86_64"


def windows_path(path):
    """Wine maps drive Z: to the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# Window messages the tests post; every page built here names them for its script too.
WM_CLOSE = 0x10
PAGE_CONSTANTS = "var WM_CLOSE = %d;" % WM_CLOSE


def page(script):
    """A minimal page that runs script."""
    return "<html><body><script>" + PAGE_CONSTANTS + script + "</script></body></html>"


def wait_until(test, timeout=10):
    """Polls test until it holds or timeout seconds pass; its last answer."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if test():
            return True
        time.sleep(0.1)
    return test()


def run(exe, *args, timeout=60, env=None):
    """Runs a Windows program with wine's own argument quoting; returns CompletedProcess."""
    merged = dict(os.environ)
    if env:
        merged.update(env)
    return subprocess.run([WINE_RUN, exe, *args], capture_output=True, timeout=timeout,
                          env=merged, text=True, encoding="utf-8", errors="replace")


def spawn(command_line, timeout_ms=30000):
    """Starts a program with exactly this Windows command line; returns its exit code."""
    result = run(options.spawn, str(timeout_ms), env={"WEBSHELL_SPAWN_COMMAND_LINE": command_line},
                 timeout=timeout_ms / 1000 + 30)
    if result.returncode in (124, 125):
        raise AssertionError("spawn failed: " + result.stdout + result.stderr)
    return result.returncode


class Registry:
    """HKEY_CURRENT_USER keys of the test prefix, through the regtool helper."""

    @staticmethod
    def values(subkey):
        """None when the key is missing, else {name: value} (DWORDs as int)."""
        out = run(options.regtool, "get", subkey).stdout.splitlines()
        if out == ["missing"]:
            return None
        values = {}
        for line in out:
            name, _, typed = line.partition("=")
            kind, _, value = typed.partition(":")
            values[name] = int(value) if kind == "dword" else value
        return values

    @staticmethod
    def delete(subkey):
        assert run(options.regtool, "delete", subkey).returncode == 0

    @staticmethod
    def create_volatile(subkey):
        assert run(options.regtool, "create-volatile", subkey).returncode == 0

    @staticmethod
    def set_dword(subkey, name, value):
        assert run(options.regtool, "set-dword", subkey, name, str(value)).returncode == 0


def window_info(window_tool, window_class, title, wait_ms=20000):
    """What window_tool reports about a window ({"rect": [l, t, r, b], "visible": [0|1], ...}),
    or None when none appears in time."""
    result = run(window_tool, "info", window_class, title, str(wait_ms))
    if result.returncode != 0:
        return None
    info = {}
    for line in result.stdout.splitlines():
        key, _, rest = line.partition(" ")
        info[key] = [int(part) for part in rest.split()]
    return info


def grab_screen():
    """The whole screen as an xwd image. A grab now and then fails while other programs on the
    display change their windows; it is tried again."""
    for attempt in range(3):
        result = subprocess.run(["xwd", "-root", "-silent", "-display", os.environ["DISPLAY"]],
                                capture_output=True, timeout=30)
        if result.returncode == 0:
            return result.stdout
        sys.stderr.write("xwd failed: %s\n" % result.stderr.decode(errors="replace").strip())
        time.sleep(0.2)
    raise AssertionError("xwd could not grab the screen")


def screenshot(rect, path):
    """Saves the screen area of rect as a PNG; returns its (width, height)."""
    left, top, right, bottom = rect
    grab = grab_screen()
    subprocess.run(["convert", "xwd:-", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                    "+repage", "png:" + path], input=grab, check=True, timeout=60)
    with open(path, "rb") as png:
        header = png.read(24)
    assert header[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    return int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")


def screen_pixel(x, y):
    """The (r, g, b) colour of the screen at x, y."""
    grab = grab_screen()
    text = subprocess.run(["convert", "xwd:-", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                          input=grab, capture_output=True, check=True, timeout=60).stdout.decode()
    # "0,0: (255,0,0)  #FF0000  red": the numbers in the first parentheses.
    values = text.splitlines()[-1].split("(", 1)[1].split(")", 1)[0].split(",")
    return tuple(int(float(v)) for v in values[:3])


class FolderCase(unittest.TestCase):
    """A test case with a fresh folder of its own (removed afterwards); FOLDER_PREFIX names it."""
    FOLDER_PREFIX = "webshell-"

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix=self.FOLDER_PREFIX)
        self.addCleanup(shutil.rmtree, self.folder, True)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def win(self, *parts):
        return windows_path(self.path(*parts))


def tree(folder):
    """Every file and folder below folder, as relative paths ("/" after folders)."""
    found = set()
    for root, dirs, files in os.walk(folder):
        relative = os.path.relpath(root, folder)
        for name in dirs:
            found.add(os.path.normpath(os.path.join(relative, name)) + "/")
        for name in files:
            found.add(os.path.normpath(os.path.join(relative, name)))
    return found


def read_bytes(path):
    with open(path, "rb") as handle:
        return handle.read()


def processes_with(*markers):
    """The ids of the running processes whose command line holds every marker (bytes)."""
    for pid in os.listdir("/proc"):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                words = cmdline.read()
        except OSError:
            continue
        if all(marker in words for marker in markers):
            yield pid


def context_switches(*markers):
    """Context switches so far (voluntary and not, all threads) of the running processes whose
    command line holds every marker (bytes): each is one time a thread woke up to run."""
    total = 0
    for pid in processes_with(*markers):
        try:
            for task in os.listdir("/proc/%s/task" % pid):
                with open("/proc/%s/task/%s/status" % (pid, task)) as status:
                    for line in status:
                        if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                            total += int(line.split()[1])
        except (OSError, ValueError):
            continue
    return total


def peak_resident_kib(*markers):
    """The largest peak resident set (VmHWM, KiB) among the running processes whose command line
    holds every marker (bytes); 0 when there is none."""
    import re
    peak = 0
    for pid in processes_with(*markers):
        try:
            with open("/proc/%s/status" % pid) as status:
                match = re.search(r"VmHWM:\s+(\d+)", status.read())
            if match:
                peak = max(peak, int(match.group(1)))
        except OSError:
            continue
    return peak


def main(extra_arguments=()):
    """Parses --build-dir and the driver's own options, then runs its unittest cases."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    # The architecture of the build under test (tools/wine-run exports it).
    parser.add_argument("--arch", default=os.environ.get("WEBSHELL_ARCH", "i686"), choices=("i686", "x86_64"))
    parser.add_argument("--regtool")
    parser.add_argument("--spawn")
    parser.add_argument("--host")
    parser.add_argument("--engine")
    for name in extra_arguments:
        parser.add_argument(name)
    known, rest = parser.parse_known_args()
    vars(options).update(vars(known))
    program = unittest.main(argv=[sys.argv[0], *rest], exit=False, verbosity=2)
    result = program.result
    failed = len(result.failures) + len(result.errors)
    skipped = len(result.skipped)
    print(f"{result.testsRun - failed - skipped} passed, {failed} failed, {skipped} skipped")
    sys.exit(0 if result.wasSuccessful() else 1)


class App:
    """A webshell program made for one test: the host executable with a resource package of
    the test's own pages appended, in a fresh folder, and the console log its engine writes."""

    def __init__(self, folder, files, engine=True, name="app.exe"):
        import shutil
        import zipfile
        os.makedirs(folder, exist_ok=True)
        self.folder = folder
        self.exe = os.path.join(folder, name)
        self.console = os.path.join(folder, "console.log")
        shutil.copyfile(options.host, self.exe)
        with zipfile.ZipFile(self.exe, "a", zipfile.ZIP_DEFLATED) as archive:
            for entry, content in files.items():
                archive.writestr(entry, content)
            if engine:
                archive.write(options.engine, "wke.dll")

    def start(self, cwd=None, env=None, console=None):
        """Starts the program and returns the running process; its console log goes to console
        (default: the app's own log file)."""
        console = console or self.console
        if os.path.exists(console):
            os.remove(console)
        merged = {"WEBSHELL_CONSOLE": windows_path(console)}
        merged.update(env or {})
        return subprocess.Popen([WINE_RUN, self.exe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                cwd=cwd or self.folder, env={**os.environ, **merged})

    def run(self, timeout=30, cwd=None, env=None):
        """Runs the program until it ends; returns its exit code."""
        process = self.start(cwd, env)
        try:
            return process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise

    def wait_for_line(self, line, timeout=20, console=None):
        """Waits until the console log holds line; True when it came in time."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if line in self.log(console):
                return True
            time.sleep(0.05)
        return False

    def peak_resident_kib(self, line, timeout=120):
        """Starts the program, waits for line in its console log, and returns the program's peak
        resident set (KiB) by then; then waits for the program to end (or kills it)."""
        process = self.start()
        try:
            if not self.wait_for_line(line, timeout=timeout):
                raise AssertionError("no line %r in time" % line)
            peak = peak_resident_kib(os.path.basename(self.exe).encode(), os.path.basename(self.folder).encode())
            process.wait(60)
        finally:
            if process.poll() is None:
                process.kill()
        # The program itself was measured, not the wrapper that starts it.
        if peak < 8 * 1024:
            raise AssertionError("only %d KiB measured" % peak)
        return peak

    def log(self, console=None):
        """What the pages wrote with console.log, one message a line. Other levels keep their
        "[level] " mark (an uncaught error shows as "[error] ...")."""
        console = console or self.console
        if not os.path.exists(console):
            return []
        with open(console, encoding="utf-8", errors="replace") as log:
            lines = [line.rstrip("\r\n") for line in log]
        return [line[6:] if line.startswith("[log] ") else line for line in lines]

    def values(self, prefix):
        """The text after 'prefix ' of every console line that starts with it."""
        return [line[len(prefix) + 1:] for line in self.log() if line.startswith(prefix + " ")]
