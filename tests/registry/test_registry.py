"""Configuration stores under Wine: registry values read and written by pages (checked with the
regtool helper), both registry views, tree removal, INI files, the environment handed to child
processes, and the in-process key/value store shared by windows."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

CLOSE = "PostMessage('', WM_CLOSE, 0, 0);"
HKCU = "0x80000001"
HKLM = "0x80000002"


def regtool(*arguments):
    result = harness.run(harness.options.regtool, *arguments)
    return result.stdout.splitlines()


def js_path(key):
    return key.replace("\\", "\\\\")


class Registry(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-registry-")
        self.key = "Software\\WebshellTest\\Registry%d" % os.getpid()
        regtool("delete", self.key)
        self.addCleanup(regtool, "delete", self.key)

    def test_large_values_exact_buffers_and_written_strings_without_terminator(self):
        big = "".join(chr(ord("a") + i % 26) for i in range(9000))
        self.assertEqual(regtool("set-sz", self.key, "big", big), [])
        script = """
            var key = '%(k)s';
            var big = RegQueryString(%(root)s, 0, key, 'big');
            console.log('big ' + big.length + ' ' + big.substring(8990));
            var exact = new Array(4097).join('y');
            console.log('write ' + typeof RegWriteString(%(root)s, key + '\\\\new\\\\deeper', 'exact', exact));
            var back = RegQueryString(%(root)s, 0, key + '\\\\new\\\\deeper', 'exact');
            console.log('exact ' + back.length + ' ' + (back == exact));
            RegWriteString(%(root)s, key + '\\\\new', 'short', 'h\\u00e9llo');
            console.log('short ' + RegQueryString(%(root)s, 64, key + '\\\\new', 'short'));
            console.log('missing value ' + typeof RegQueryString(%(root)s, 0, key, 'nothing'));
            console.log('missing key ' + typeof RegQueryString(%(root)s, 0, key + '\\\\nothing', 'big'));
            console.log('dword ' + JSON.stringify(RegQueryString(%(root)s, 0, key, 'number')));
        """ % {"k": js_path(self.key), "root": HKCU}
        harness.run(harness.options.regtool, "set-dword", self.key, "number", str(0x00420041))
        app = App(self.folder, {"exe.zip.index.html": page(script + CLOSE)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ("big 9000 " + big[8990:], "write undefined", "exact 4096 true", "short h\u00e9llo",
                     "missing value undefined", "missing key undefined", 'dword "AB"'):
            self.assertIn(line, log)
        # The stored data are the characters alone: two bytes each, no terminating zero.
        self.assertEqual(regtool("value-size", self.key + "\\new", "short"), ["type 1 bytes 10"])
        self.assertEqual(regtool("value-size", self.key + "\\new\\deeper", "exact"), ["type 1 bytes 8192"])

    def test_both_registry_views(self):
        # On 64-bit Windows the 32-bit view of this key lives under Wow6432Node. The 64-bit build
        # is tested in a 64-bit prefix, which has both views; the 32-bit build in a 32-bit
        # prefix, which has a single view: there both flags read the key itself.
        key = "Software\\WebshellViewTest%d" % os.getpid()
        self.addCleanup(regtool, "hklm", "delete", key)
        self.addCleanup(regtool, "hklm", "delete", "Software\\Wow6432Node\\WebshellViewTest%d" % os.getpid())
        regtool("hklm", "set-sz", key, "v", "native")
        regtool("hklm", "set-sz", "Software\\Wow6432Node\\WebshellViewTest%d" % os.getpid(), "v", "redirected")
        script = """
            console.log('view64 ' + RegQueryString(%(root)s, 64, '%(k)s', 'v'));
            console.log('view32 ' + RegQueryString(%(root)s, 32, '%(k)s', 'v'));
            console.log('view0 ' + RegQueryString(%(root)s, 0, '%(k)s', 'v'));
        """ % {"k": js_path(key), "root": HKLM}
        app = App(self.folder, {"exe.zip.index.html": page(script + CLOSE)})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("view64"), ["native"])
        # Every view but 64 is the 32-bit one, in both builds.
        thirty_two = ["redirected" if harness.is_64bit() else "native"]
        self.assertEqual(app.values("view32"), thirty_two)
        self.assertEqual(app.values("view0"), thirty_two)

    def test_delete_tree_removes_the_keys_below(self):
        tree = self.key + "\\Tree"
        regtool("set-sz", tree, "top", "1")
        regtool("set-sz", tree + "\\a\\b", "deep", "2")
        regtool("set-sz", tree + "\\c", "side", "3")
        regtool("set-sz", self.key, "sibling", "kept")
        script = """
            console.log('result ' + typeof RegDeleteTree(%(root)s, '%(k)s'));
            console.log('missing ' + typeof RegDeleteTree(%(root)s, '%(k)s\\\\none'));
        """ % {"k": js_path(tree), "root": HKCU}
        app = App(self.folder, {"exe.zip.index.html": page(script + CLOSE)})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("result"), ["undefined"])
        self.assertEqual(regtool("get", tree + "\\a\\b"), ["missing"])
        self.assertEqual(regtool("get", tree + "\\a"), ["missing"])
        self.assertEqual(regtool("get", tree + "\\c"), ["missing"])
        # Everything below the key goes, its values included; the key itself stays, empty.
        self.assertEqual(regtool("get", tree), [])
        self.assertEqual(regtool("get", self.key), ["sibling=sz:kept"])

    def test_delete_tree_refuses_a_sub_key_that_names_the_root_itself(self):
        tree = self.key + "\\Kept"
        regtool("set-sz", tree + "\\inner", "deep", "1")
        regtool("set-sz", self.key + "\\Gone\\below", "deep", "2")
        script = """
            console.log('empty ' + typeof RegDeleteTree(%(root)s, ''));
            console.log('one ' + typeof RegDeleteTree(%(root)s, '\\\\'));
            console.log('two ' + typeof RegDeleteTree(%(root)s, '\\\\\\\\'));
            RegDeleteTree(%(root)s, '%(gone)s');
        """ % {"root": HKCU, "gone": js_path(self.key + "\\Gone")}
        app = App(self.folder, {"exe.zip.index.html": page(script + CLOSE)})
        self.assertEqual(app.run(), 1)
        self.assertEqual([app.values(name) for name in ("empty", "one", "two")], [["undefined"]] * 3)
        self.assertEqual(regtool("get", tree + "\\inner"), ["deep=sz:1"])
        self.assertEqual(regtool("get", self.key + "\\Gone\\below"), ["missing"])
        self.assertEqual(regtool("get", self.key + "\\Gone"), [])


class Stores(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-stores-")

    def test_ini_write_then_read_and_a_missing_key(self):
        ini = os.path.join(self.folder, "settings.ini")
        script = """
            var file = '%(f)s';
            console.log('write ' + WritePrivateProfileString(file, 'Game', 'language', 'fr'));
            console.log('second ' + WritePrivateProfileString(file, 'Game', 'voice', 'en'));
            console.log('read ' + GetPrivateProfileString(file, 'Game', 'language'));
            console.log('missing key ' + JSON.stringify(GetPrivateProfileString(file, 'Game', 'none')));
            console.log('missing section ' + JSON.stringify(GetPrivateProfileString(file, 'Other', 'language')));
            console.log('missing file ' + JSON.stringify(GetPrivateProfileString(file + '.none', 'Game', 'language')));
        """ % {"f": js_path(harness.windows_path(ini))}
        app = App(self.folder, {"exe.zip.index.html": page(script + CLOSE)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ("write 1", "second 1", "read fr", 'missing key ""', 'missing section ""', 'missing file ""'):
            self.assertIn(line, log)
        with open(ini, encoding="utf-8", errors="replace") as written:
            lines = [line.strip() for line in written if line.strip()]
        self.assertEqual(lines, ["[Game]", "language=fr", "voice=en"])

    def test_environment_variables_and_process_id(self):
        script = """
            console.log('unset ' + JSON.stringify(GetEnvironmentVariable('WEBSHELL_NEVER_SET_%(pid)d')));
            console.log('set ' + SetEnvironmentVariable('WEBSHELL_CHILD_VALUE', 'from the page'));
            console.log('number ' + SetEnvironmentVariable('WEBSHELL_NUMBER', 42));
            console.log('read ' + GetEnvironmentVariable('WEBSHELL_CHILD_VALUE') + '|' + GetEnvironmentVariable('WEBSHELL_NUMBER'));
            var pid = GetCurrentProcessId();
            console.log('pid ' + (pid > 0 && pid == Math.floor(pid) && pid == GetCurrentProcessId()));
            PostMessage('', WM_CLOSE, 0, 0);
        """ % {"pid": os.getpid()}
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ('unset ""', "set 1", "number 1", "read from the page|42", "pid true"):
            self.assertIn(line, log)

    def test_environment_reaches_a_child_process(self):
        mapping = "webshell-environment-%d" % os.getpid()
        folder = harness.windows_path(self.folder)
        tool = harness.windows_path(harness.options.sharedtool)
        script = """
            SetEnvironmentVariable('WEBSHELL_CHILD_VALUE', 'from the page');
            CreateFileMapping('%(m)s');
            var child = CreateProcess('%(tool)s', '"%(tool)s" env-to-mapping WEBSHELL_CHILD_VALUE %(m)s', '%(folder)s', 0, 0);
            console.log('process functions ' + typeof child);
            if (typeof child != 'object') PostMessage('', WM_CLOSE, 0, 0);
            else {
              console.log('started ' + child['return']);
              WaitForSingleObject(child.hProcess, 20000, function (result) {
                console.log('waited ' + result);
                console.log('child saw ' + ReadFileMapping('%(m)s', 0));
                PostMessage('', WM_CLOSE, 0, 0);
              });
            }
        """ % {"m": mapping, "tool": js_path(tool), "folder": js_path(folder)}
        app = App(self.folder, {"exe.zip.index.html": page(script)})
        self.assertEqual(app.run(), 1)
        log = app.log()
        if "process functions undefined" in log:
            self.skipTest("CreateProcess is not offered by this build yet")
        for line in ("started 1", "waited 0", "child saw from the page"):
            self.assertIn(line, log)

    def test_key_strings_are_shared_by_the_windows_of_the_process(self):
        entry = page("""
            console.log('never set ' + JSON.stringify(GetKeyString('webshell-key')));
            SetKeyString('webshell-key', 'first');
            SetKeyString('webshell-key', 'shared value');
            SetKeyString('', 'empty key');
            console.log('own window ' + GetKeyString('webshell-key'));
            wkeCreateWindow('second', 0x80000000, 0, '', 'second.html');
        """)
        second = page("""
            console.log('other window ' + GetKeyString('webshell-key') + '|' + GetKeyString(''));
            console.log('other key ' + JSON.stringify(GetKeyString('webshell-key2')));
            PostMessage('', WM_CLOSE, 0, 0);
            PostMessage('entry', WM_CLOSE, 0, 0);
        """)
        entry = entry.replace("<script>", "<script>SetCurrentWindowFlag('entry');", 1)
        app = App(self.folder, {"exe.zip.index.html": entry, "second.html": second})
        self.assertEqual(app.run(), 1)
        log = app.log()
        for line in ('never set ""', "own window shared value", "other window shared value|empty key",
                     'other key ""'):
            self.assertIn(line, log)


if __name__ == "__main__":
    harness.main(("--sharedtool",))
