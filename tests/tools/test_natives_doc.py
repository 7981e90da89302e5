"""The description of the native functions (app/natives.json) agrees with the binding table
(app/native_table.cpp) in names, order and argument counts, and docs/api.md and
docs/webshell.d.ts are what tools/natives-doc makes of it. The check itself is tried on copies
of the table and the documents broken on purpose."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.path.join(ROOT, "tools", "natives-doc")
TABLE = os.path.join(ROOT, "app", "native_table.cpp")


def run(*args):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True)


class NativesDocTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        shutil.copytree(os.path.join(ROOT, "docs"), os.path.join(self.dir, "docs"))
        with open(TABLE, encoding="utf-8") as f:
            self.table = f.read()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def check_with_table(self, text):
        path = os.path.join(self.dir, "native_table.cpp")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return run("--check", "--table", path, "--docs", os.path.join(self.dir, "docs"))

    def test_repository_is_current_and_agrees(self):
        result = run("--check")
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_the_table_has_160_rows_and_every_one_is_described(self):
        rows = re.findall(r'\{"([^"]+)",\s*[^,]+?,\s*\d+\}', self.table)
        self.assertEqual(len(rows), 160)
        with open(os.path.join(ROOT, "docs", "webshell.d.ts"), encoding="utf-8") as f:
            declared = set(re.findall(r"^declare function (\w+)\(", f.read(), re.M))
        self.assertEqual(set(rows), declared)

    def test_a_renamed_row_fails(self):
        broken = self.table.replace('{"SetWindowPos",', '{"SetWindowPosition",', 1)
        self.assertNotEqual(broken, self.table)
        result = self.check_with_table(broken)
        self.assertEqual(result.returncode, 1)
        self.assertIn("row 32: the table binds SetWindowPosition, the description has SetWindowPos", result.stderr)

    def test_a_changed_argument_count_fails(self):
        broken = re.sub(r'(\{"SetWindowPos", [^,]+, )7\}', r"\g<1>6}", self.table)
        self.assertNotEqual(broken, self.table)
        result = self.check_with_table(broken)
        self.assertEqual(result.returncode, 1)
        self.assertIn("row 32 (SetWindowPos): the table binds 6 arguments, the description says 7", result.stderr)

    def test_two_swapped_rows_fail(self):
        lines = self.table.splitlines(keepends=True)
        first = next(i for i, line in enumerate(lines) if '{"IsZoomed",' in line)
        lines[first], lines[first + 1] = lines[first + 1], lines[first]
        result = self.check_with_table("".join(lines))
        self.assertEqual(result.returncode, 1)
        self.assertIn("row 36: the table binds IsIconic, the description has IsZoomed", result.stderr)

    def test_a_missing_row_fails(self):
        broken = re.sub(r'\s*\{"Sleep", [^}]+\},', "", self.table)
        result = self.check_with_table(broken)
        self.assertEqual(result.returncode, 1)
        self.assertIn("the description has 160 functions, the binding table 159 rows", result.stderr)

    def test_stale_documents_fail(self):
        for name in ("api.md", "webshell.d.ts"):
            path = os.path.join(self.dir, "docs", name)
            with open(path, encoding="utf-8") as f:
                original = f.read()
            with open(path, "w", encoding="utf-8") as f:
                f.write(original.replace("SetWindowPos", "SetWindowPoz", 1))
            result = self.check_with_table(self.table)
            self.assertEqual(result.returncode, 1)
            self.assertIn("docs/%s is not current" % name, result.stderr)
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)

    def test_a_change_of_what_is_built_changes_the_reference(self):
        # The reference marks rows whose handler is NotYetBuilt, so it must be made again when
        # a row changes between a handler and NotYetBuilt.
        changed = self.table.replace('{"GetCoreVersion", Guarded<&Js_GetCoreVersion>, 0}', '{"GetCoreVersion", NotYetBuilt, 0}')
        self.assertNotEqual(changed, self.table)
        result = self.check_with_table(changed)
        self.assertEqual(result.returncode, 1)
        self.assertIn("is not current", result.stderr)


if __name__ == "__main__":
    unittest.main()
