"""webshell.exe under Wine: start-up with and without its package parts, the exit codes, the
first window's page, the engine loaded from memory, and the native function binding."""
import json
import os
import re
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

CLOSE_OWN_WINDOW = "PostMessage('', WM_CLOSE, 0, 0);"


class StartUp(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-startup-")

    def test_without_entry_page_exits_0_before_any_page_runs(self):
        app = App(self.folder, {"main.html": page("console.log('ran'); " + CLOSE_OWN_WINDOW)})
        self.assertEqual(app.run(), 0)
        self.assertEqual(app.log(), [])

    def test_without_engine_exits_0(self):
        app = App(self.folder, {"exe.zip.index.html": page("console.log('ran'); " + CLOSE_OWN_WINDOW)}, engine=False)
        self.assertEqual(app.run(), 0)
        self.assertEqual(app.log(), [])

    def test_damaged_engine_exits_0(self):
        with open(harness.options.engine, "rb") as engine:
            cut = engine.read()[:4096]
        app = App(self.folder, {"exe.zip.index.html": page(CLOSE_OWN_WINDOW), "wke.dll": cut}, engine=False)
        self.assertEqual(app.run(), 0)
        app = App(self.folder, {"exe.zip.index.html": page(CLOSE_OWN_WINDOW), "wke.dll": b"MZ not an image"},
                  engine=False, name="app2.exe")
        self.assertEqual(app.run(), 0)

    def test_engine_of_the_other_architecture_exits_0(self):
        import struct
        with open(harness.options.engine, "rb") as engine:
            image = bytearray(engine.read())
        machine_at = struct.unpack_from("<I", image, 0x3C)[0] + 4
        other = 0x14C if harness.is_64bit() else 0x8664
        struct.pack_into("<H", image, machine_at, other)
        app = App(self.folder, {"exe.zip.index.html": page("console.log('ran'); " + CLOSE_OWN_WINDOW),
                                "wke.dll": bytes(image)}, engine=False)
        self.assertEqual(app.run(), 0)
        self.assertEqual(app.log(), [])

    def test_library_without_the_engine_entry_points_exits_0(self):
        # A sound DLL that loads from memory but exports none of the engine's functions.
        with open(harness.options.foreign_library, "rb") as library:
            foreign = library.read()
        app = App(self.folder, {"exe.zip.index.html": page("console.log('ran'); " + CLOSE_OWN_WINDOW),
                                "wke.dll": foreign}, engine=False)
        self.assertEqual(app.run(), 0)
        self.assertEqual(app.log(), [])

    def test_entry_page_closing_its_own_window_ends_the_program_with_1(self):
        app = App(self.folder, {"exe.zip.index.html": page("console.log('entry ran'); " + CLOSE_OWN_WINDOW)})
        started = time.monotonic()
        self.assertEqual(app.run(), 1)
        self.assertIn("entry ran", app.log())
        self.assertLess(time.monotonic() - started, 20)

    def test_engine_is_loaded_from_memory_and_never_written_to_disk(self):
        started = time.time()
        app = App(self.folder, {"exe.zip.index.html": page("console.log('entry ran'); " + CLOSE_OWN_WINDOW)})
        self.assertEqual(app.run(), 1)
        self.assertIn("entry ran", app.log())
        written = []
        prefix = os.environ.get("WINEPREFIX", os.path.expanduser("~/.cache/webshell/wineprefix"))
        for root in (self.folder, os.path.join(prefix, "drive_c"), tempfile.gettempdir()):
            for folder, _, names in os.walk(root):
                for name in names:
                    path = os.path.join(folder, name)
                    if name.lower() == "wke.dll" and os.path.getmtime(path) >= started - 1:
                        written.append(path)
        self.assertEqual(written, [])


class Pages(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-pages-")

    def test_package_page_then_a_page_from_a_folder_beside_the_program(self):
        entry = page("console.log('entry'); wke_FILE_add_path('pages', 0); WKELoadFile('second.html');")
        app = App(self.folder, {"exe.zip.index.html": entry})
        os.makedirs(os.path.join(self.folder, "pages"))
        with open(os.path.join(self.folder, "pages", "second.html"), "w") as second:
            second.write(page("console.log('second from folder'); " + CLOSE_OWN_WINDOW))
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.log()[:2], ["entry", "second from folder"])

    def test_core_version_is_a_build_stamp_and_never_changes(self):
        script = ("console.log('version ' + GetCoreVersion()); console.log('version ' + GetCoreVersion(1, 'x'));"
                  "console.log('type ' + typeof GetCoreVersion());" + CLOSE_OWN_WINDOW)
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        versions = app.values("version")
        self.assertEqual(len(versions), 2)
        self.assertRegex(versions[0], r"^ver\.[A-Z][a-z]{2} [ 123]\d \d{4}\.\d\d:\d\d:\d\d$")
        self.assertEqual(versions[0], versions[1])
        self.assertEqual(app.values("type"), ["string"])

    def test_missing_arguments_behave_as_undefined(self):
        script = """
            var missing = [wkeLoadFile(), wkeRunJS(), PostMessage('no such flag'), typeof wke_FILE_add_path()];
            var explicit = [wkeLoadFile(undefined, undefined), wkeRunJS(undefined, undefined),
                            PostMessage('no such flag', undefined, undefined, undefined),
                            typeof wke_FILE_add_path(undefined, undefined)];
            console.log('missing ' + JSON.stringify(missing));
            console.log('explicit ' + JSON.stringify(explicit));
        """ + CLOSE_OWN_WINDOW
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("missing"), app.values("explicit"))
        self.assertEqual(len(app.values("missing")), 1)
        self.assertTrue(app.values("missing")[0].startswith('[false,null,'), app.values("missing"))


class Program(unittest.TestCase):
    def test_resources_icon_manifest_and_version(self):
        result = harness.run(harness.options.resinfo, harness.windows_path(harness.options.host), "IDR_MAINFRAM")
        lines = result.stdout.splitlines()
        self.assertIn("icon-group IDR_MAINFRAM 1", lines)
        self.assertEqual([line.split()[-1] for line in lines if line.startswith("icon ")], ["png"])
        manifest = next(line for line in lines if line.startswith("manifest "))
        self.assertIn('level="requireAdministrator"', manifest)
        self.assertIn('uiAccess="false"', manifest)
        for os_id in ("e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                      "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                      "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"):
            self.assertIn(os_id, manifest)
        self.assertTrue(any(line.startswith("version ") for line in lines))


class PlugIns(unittest.TestCase):
    """Plug-in libraries come only from the program's own folder, never from the current
    folder or PATH, where anyone could plant a library of the same name."""
    SCRIPT = page("console.log('hwid ' + JSON.stringify(GetHWID())); " + CLOSE_OWN_WINDOW)
    NAMES = (os.path.join("plugins", "hwid.dll"), os.path.join("VELQ___s13tool", "313_vude.dll"))

    def setUp(self):
        self.program = tempfile.mkdtemp(prefix="webshell-plugins-program-")
        self.current = tempfile.mkdtemp(prefix="webshell-plugins-current-")
        self.on_path = tempfile.mkdtemp(prefix="webshell-plugins-path-")
        for folder in (self.current, self.on_path):
            for name in self.NAMES:
                self.place(harness.options.marker_library, folder, name)

    def place(self, library, folder, name):
        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
        shutil.copyfile(library, os.path.join(folder, name))

    def loaded(self, folder):
        return sorted(name for name in self.NAMES if os.path.exists(os.path.join(folder, name) + ".loaded"))

    def run_app(self):
        app = App(self.program, {"exe.zip.index.html": self.SCRIPT})
        self.assertEqual(app.run(cwd=self.current, env={"WINEPATH": harness.windows_path(self.on_path)}), 1)
        return app

    def test_planted_libraries_are_not_loaded_when_none_is_beside_the_program(self):
        app = self.run_app()
        self.assertEqual(app.values("hwid"), ['""'])
        self.assertEqual(self.loaded(self.current), [])
        self.assertEqual(self.loaded(self.on_path), [])

    def test_the_libraries_beside_the_program_are_the_ones_loaded(self):
        self.place(harness.options.hwid, self.program, self.NAMES[0])
        self.place(harness.options.marker_library, self.program, self.NAMES[1])
        expected = harness.run(harness.options.plugin_call, os.path.join(self.program, self.NAMES[0]),
                               "GetHWID").stdout.strip()
        self.assertRegex(expected, r"^[0-9A-F]{16}$")
        app = self.run_app()
        self.assertEqual(app.values("hwid"), [json.dumps(expected)])
        self.assertEqual(self.loaded(self.program), [self.NAMES[1]])
        self.assertEqual(self.loaded(self.current), [])
        self.assertEqual(self.loaded(self.on_path), [])


if __name__ == "__main__":
    harness.main(["--resinfo", "--foreign-library", "--hwid", "--marker-library", "--plugin-call"])
