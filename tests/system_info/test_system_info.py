"""System information for pages under Wine: the hardware kinds of Handware_Info and their JSON
texts, display settings, metrics and the cursor, and the hardware id with and without the
hwid plug-in."""
import json
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402


class HardwareInfo(unittest.TestCase):
    def test_every_kind_and_the_exact_names(self):
        script = """
            // A callback receives as many values as it declares; unused places stay undefined.
            function report(kind) {
              return function (a, b, c, d, e, f, g) {
                var values = [a, b, c, d, e, f, g];
                while (values.length && values[values.length - 1] === undefined) values.pop();
                console.log(kind + ' ' + JSON.stringify(values));
                if (typeof a == 'string' && a.charAt(0) == '{')
                  console.log('parsed ' + kind + ' ' + typeof JSON.parse(a)[kind]);
              };
            }
            var kinds = ['Memory', 'gpu', 'language', 'system', 'bit', 'cpu', 'memory', 'display', 'media',
                         'directx', 'resolution'];
            for (var i = 0; i < kinds.length; i++)
              console.log('started ' + kinds[i] + ' ' + Handware_Info(kinds[i], report(kinds[i])));
            console.log('metrics ' + GetSystemMetrics(0) + ' ' + GetSystemMetrics(1));
            setTimeout(function () { PostMessage('', WM_CLOSE, 0, 0); }, 3000);
        """
        app = App(tempfile.mkdtemp(prefix="webshell-hardware-"), {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        self.assertEqual(len([line for line in log if line.startswith("started ") and line.endswith(" true")]), 11)
        answers = {}
        for line in log:
            kind, _, values = line.partition(" ")
            if line.startswith("parsed "):
                continue
            if kind in ("Memory", "gpu", "language", "system", "bit", "cpu", "memory", "display", "media",
                        "directx", "resolution"):
                self.assertNotIn(kind, answers, "one answer a call")
                answers[kind] = json.loads(values)
        self.assertNotIn("Memory", answers)
        self.assertNotIn("gpu", answers)
        width, height = (int(n) for n in app.values("metrics")[0].split())

        memory = answers["memory"]
        self.assertEqual(len(memory), 1)
        self.assertIsInstance(memory[0], int)
        self.assertGreaterEqual(memory[0], 1)

        self.assertEqual(len(answers["language"]), 1)
        self.assertGreater(answers["language"][0], 0)
        major, minor, product, suite, r2, service_pack = answers["system"]
        self.assertGreaterEqual(major, 5)
        self.assertIn(product, (1, 2, 3))
        self.assertIsInstance(service_pack, str)
        self.assertEqual(answers["bit"], [64 if harness.is_64bit() else 32], "the prefix's own width")
        processors, processor_type, megahertz, name = answers["cpu"]
        self.assertGreaterEqual(processors, 1)
        self.assertIsInstance(name, str)
        self.assertEqual(len(answers["directx"]), 1)
        self.assertTrue(answers["directx"][0])

        self.assertEqual(sorted(app.values("parsed")), ["display object", "media object", "resolution object"])
        display = json.loads(answers["display"][0])
        self.assertEqual(list(display), ["display"])
        names = [entry["name"] for entry in display["display"]]
        self.assertEqual(len(names), len(set(names)))
        media = json.loads(answers["media"][0])
        self.assertEqual(list(media), ["media"])
        self.assertTrue(all(list(entry) == ["name"] for entry in media["media"]))

        resolution = json.loads(answers["resolution"][0])
        self.assertEqual(list(resolution), ["resolution", "current"])
        self.assertEqual(resolution["current"], [{"width": width, "height": height}])
        sizes = [(entry["width"], entry["height"]) for entry in resolution["resolution"]]
        self.assertTrue(sizes)
        self.assertEqual(sizes, sorted(set(sizes), reverse=True))
        self.assertIn((width, height), sizes)


class Screen(unittest.TestCase):
    def test_display_settings_metrics_and_cursor(self):
        script = """
            var devices = EnumDisplaySettings();
            var keys = [];
            for (var k in devices) keys.push(k);
            console.log('keys ' + JSON.stringify(keys));
            var first = devices[0];
            console.log('first ' + [first.left, first.top, first.right, first.bottom].join(','));
            console.log('metrics ' + [GetSystemMetrics(0), GetSystemMetrics(1), GetSystemMetrics(80)].join(','));
            var cursor = GetCursorPos();
            console.log('cursor ' + typeof cursor.x + ' ' + typeof cursor.y);
            console.log('length ' + typeof devices.length);
            PostMessage('', WM_CLOSE, 0, 0);
        """
        app = App(tempfile.mkdtemp(prefix="webshell-screen-"), {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        width, height, monitors = (int(n) for n in app.values("metrics")[0].split(","))
        self.assertEqual(monitors, 1)
        self.assertEqual(app.values("keys"), ['["0"]'])
        self.assertEqual(app.values("first"), ["0,0,%d,%d" % (width, height)])
        self.assertEqual(app.values("cursor"), ["number number"])
        self.assertEqual(app.values("length"), ["undefined"])


class HardwareId(unittest.TestCase):
    SCRIPT = page("console.log('hwid ' + JSON.stringify(GetHWID())); PostMessage('', WM_CLOSE, 0, 0);")

    def test_empty_without_the_plug_in(self):
        app = App(tempfile.mkdtemp(prefix="webshell-hwid-none-"), {"exe.zip.index.html": self.SCRIPT})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("hwid"), ['""'])

    def test_the_plug_ins_text_with_it(self):
        folder = tempfile.mkdtemp(prefix="webshell-hwid-")
        os.makedirs(os.path.join(folder, "plugins"))
        plugin = os.path.join(folder, "plugins", "hwid.dll")
        shutil.copyfile(harness.options.hwid, plugin)
        expected = harness.run(harness.options.plugin_call, plugin, "GetHWID").stdout.strip()
        self.assertRegex(expected, r"^[0-9A-F]{16}$")
        app = App(folder, {"exe.zip.index.html": self.SCRIPT})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("hwid"), [json.dumps(expected)])
        # The same machine gives the same identifier every time.
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("hwid"), [json.dumps(expected)])


if __name__ == "__main__":
    harness.main(("--hwid", "--plugin-call"))
