"""The system dialogs a page opens under Wine, answered by the dialog driver helper the way a
user would: each returns the chosen value, and cancelling returns its cancel value."""
import json
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page, windows_path  # noqa: E402

FONT_FACE = "DejaVu Sans"


class Dialogs(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-dialogs-")
        self.data = os.path.join(self.folder, "data")
        os.makedirs(os.path.join(self.data, "chosen folder"))
        for name in ("notes.txt", "picture.bmp"):
            with open(os.path.join(self.data, name), "wb") as out:
                out.write(b"x")

    def chosen_folder(self):
        """A folder on the prefix's drive C:. The folder browser expands its tree one level at a
        time, and C: holds a handful of folders, where Z: (the whole Unix tree with its busy /tmp)
        can take longer to expand than the driver waits."""
        drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
        parent = tempfile.mkdtemp(prefix="webshell-dialogs-", dir=drive_c)
        self.addCleanup(shutil.rmtree, parent, True)
        os.makedirs(os.path.join(parent, "chosen folder"))
        return "C:\\" + os.path.basename(parent) + "\\chosen folder"

    def answer(self, image, *action):
        result = harness.run(harness.options.dialog_driver, image, *action, timeout=60)
        self.assertEqual(result.returncode, 0, " ".join(action) + ": " + result.stdout + result.stderr)
        return result.stdout.splitlines()

    def test_each_dialog_returns_the_choice_or_its_cancel_value(self):
        image = "dialogs-app.exe"
        script = """
            var data = %s;
            function log(s) { console.log(s); }
            function openOptions() {
              return {hwndOwner: '', lpstrFilter: 'Text\\0*.txt\\0All\\0*.*\\0', lpstrInitialDir: data,
                      nFilterIndex: 1, Flags: 0x80000 | 0x1000 | 0x800};
            }
            setTimeout(function () {
              log('open cancelled [' + GetOpenFileName(openOptions()) + ']');
              log('open chosen [' + GetOpenFileName(openOptions()) + ']');
              log('save cancelled ' + SaveFileName());
              log('save chosen ' + SaveFileName());
              log('font cancelled ' + ChooseFont());
              log('font chosen ' + ChooseFont());
              log('folder cancelled ' + SHBrowseForFolder());
              log('folder chosen ' + SHBrowseForFolder('Pick a folder', 0, 0));
              PostMessage('', WM_CLOSE, 0, 0);
            }, 100);
        """ % json.dumps(windows_path(self.data))
        app = App(self.folder, {"exe.zip.index.html": page(script)}, name=image)
        process = app.start()
        try:
            notes = windows_path(os.path.join(self.data, "notes.txt"))
            picture = windows_path(os.path.join(self.data, "picture.bmp"))
            chosen = self.chosen_folder()
            self.answer(image, "cancel")
            open_answer = self.answer(image, "file", notes)
            self.answer(image, "cancel")
            save_answer = self.answer(image, "file", picture)
            self.answer(image, "cancel")
            font = self.answer(image, "font", FONT_FACE)
            self.answer(image, "cancel")
            self.answer(image, "folder", chosen)
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertIn("selected " + FONT_FACE, font)
        # The page's filter reaches the dialog whole, past its zero characters.
        self.assertIn("types Text|All", open_answer)
        self.assertIn("types Bmp\u6587\u4ef6(*.bmp)|\u6240\u6709\u6587\u4ef6(*.*)", save_answer)
        self.assertEqual(app.values("open cancelled"), ["[]"])
        self.assertEqual([v.lower() for v in app.values("open chosen")], ["[" + notes.lower() + "]"])
        self.assertEqual(app.values("save cancelled"), ["undefined"])
        self.assertEqual([v.lower() for v in app.values("save chosen")], [picture.lower()])
        self.assertEqual(app.values("font cancelled"), ["undefined"])
        self.assertEqual(app.values("font chosen"), [FONT_FACE])
        self.assertEqual(app.values("folder cancelled"), ["undefined"])
        self.assertEqual([v.lower() for v in app.values("folder chosen")], [chosen.lower()])


if __name__ == "__main__":
    harness.main(extra_arguments=("--dialog-driver",))
