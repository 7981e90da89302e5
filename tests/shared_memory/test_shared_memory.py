"""Named kernel objects and shared memory under Wine, checked from a second process: the
mapping table and its default size, the text rules of reading and writing, mappings made
elsewhere first, events set by another process, and a window publishing its pixels."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App  # noqa: E402

# The page and the test take turns: the page creates a control mapping, logs "phase <name>"
# when the test may look, and goes on when the test writes the next step's name into it.
PROLOGUE = """
var CONTROL = '%s';
CreateFileMapping(CONTROL);
function close() { PostMessage('', WM_CLOSE, 0, 0); }
function waitFor(text, then) {
  var timer = setInterval(function () {
    if (ReadFileMapping(CONTROL, 0) == text) { clearInterval(timer); then(); }
  }, 50);
}
"""


def page(control, script):
    return "<html><body><script>" + harness.PAGE_CONSTANTS + (PROLOGUE % control) + script + "</script></body></html>"


def tool(*arguments):
    result = harness.run(harness.options.sharedtool, *arguments)
    return result.stdout.splitlines()


def read(name):
    """{"size": n, "nonzero": k, "text": t} of a mapping as another process sees it."""
    lines = tool("read", name)
    if lines == ["missing"]:
        return None
    fields = dict(line.split(" ", 1) if " " in line else (line, "") for line in lines)
    return {"size": int(fields["size"]), "nonzero": int(fields["nonzero"]), "text": fields["text"]}


class Unique:
    def __init__(self, test):
        self.prefix = "webshell-%s-%d-" % (test, os.getpid())

    def __call__(self, name):
        return self.prefix + name


class Mappings(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-shared-")
        self.name = Unique(self.id().split(".")[-1])

    def step(self, app, phase, timeout=20):
        self.assertTrue(app.wait_for_line("phase " + phase, timeout), app.log())

    def test_created_twice_default_size_zeros_and_the_long_text_rule(self):
        mapping, control = self.name("m"), self.name("control")
        script = """
            console.log('first ' + CreateFileMapping('%(m)s'));
            console.log('second ' + CreateFileMapping('%(m)s'));
            console.log('fresh ' + JSON.stringify(ReadFileMapping('%(m)s', 0)));
            console.log('phase zero');
            waitFor('write', function () {
              var text = new Array(2048).join('a') + new Array(954).join('b');
              console.log('length ' + text.length);
              WriteFileMapping('%(m)s', text, 0);
              var back = ReadFileMapping('%(m)s', 0);
              console.log('read back ' + back.length + ' ' + (back == new Array(2048).join('a')));
              console.log('phase written');
              waitFor('done', close);
            });
        """ % {"m": mapping}
        app = App(self.folder, {"exe.zip.index.html": page(control, script)})
        process = app.start()
        try:
            self.step(app, "zero")
            zero = read(mapping)
            self.assertEqual(zero["size"], 16384)
            self.assertEqual(zero["nonzero"], 0)
            tool("write", control, "write")
            self.step(app, "written")
            written = read(mapping)
            self.assertEqual(written["text"], "a" * 2047)
            # The two bytes after the 2047 characters are left as they were: zero.
            self.assertEqual(tool("bytes", mapping, "4092", "4"), ["61000000"])
            tool("write", control, "done")
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        log = app.log()
        for line in ("first 183", "second 1", 'fresh ""', "length 3000", "read back 2047 true"):
            self.assertIn(line, log)

    def test_mappings_made_elsewhere_first_small_and_reserved_ones(self):
        existing, small, reserved = self.name("existing"), self.name("small"), self.name("reserved")
        holders = [
            subprocess.Popen([harness.WINE_RUN, harness.options.sharedtool, "hold", existing, "4096", "from helper",
                              "60000"], stdout=subprocess.PIPE, text=True),
            subprocess.Popen([harness.WINE_RUN, harness.options.sharedtool, "hold", small, "100", "tiny", "60000"],
                             stdout=subprocess.PIPE, text=True),
            subprocess.Popen([harness.WINE_RUN, harness.options.sharedtool, "hold-reserved", reserved, "65536",
                              "60000"], stdout=subprocess.PIPE, text=True),
        ]
        try:
            for holder in holders:
                self.assertEqual(holder.stdout.readline().strip(), "ready")
            script = """
                console.log('existing ' + CreateFileMapping('%(e)s', 8192));
                console.log('content ' + ReadFileMapping('%(e)s', 0));
                var long = new Array(3001).join('z');
                WriteFileMapping('%(s)s', long, 0);
                console.log('small ' + ReadFileMapping('%(s)s', 0).length);
                WriteFileMapping('%(r)s', long, 0);
                console.log('reserved ' + JSON.stringify(ReadFileMapping('%(r)s', 0)));
                console.log('missing ' + typeof ReadFileMapping('%(n)s', 0));
                WriteFileMapping('%(n)s', 'x', 0);
                console.log('survived');
                close();
            """ % {"e": existing, "s": small, "r": reserved, "n": self.name("never-made")}
            app = App(self.folder, {"exe.zip.index.html": page(self.name("control"), script)})
            self.assertEqual(app.run(), 1)
            log = app.log()
            for line in ("existing 1", "content from helper", 'reserved ""', "missing undefined", "survived"):
                self.assertIn(line, log)
            small_length = int(app.values("small")[0])
            # Wine gives a 100-byte mapping its whole page; the text never runs past it.
            self.assertGreaterEqual(small_length, 50)
            self.assertLessEqual(small_length, 2047)
            self.assertEqual(read(small)["text"], "z" * small_length)
            self.assertEqual(read(existing)["text"], "from helper")
        finally:
            for name in (existing, small, reserved):
                tool("set-event", name + ".release")
            for holder in holders:
                holder.wait(30)


class Events(unittest.TestCase):
    def test_mutexes_and_events_by_name(self):
        folder = tempfile.mkdtemp(prefix="webshell-events-")
        name = Unique("names")
        script = """
            var evt = CreateEvent(1, 0, '%(e)s');
            console.log('event ' + (evt > 0));
            console.log('mutex ' + (CreateMutex('%(x)s', 1) > 0));
            var opened = OpenEvent(0x1F0003, 0, '%(e)s');
            console.log('opened ' + (opened > 0 && opened != evt));
            console.log('close opened ' + CloseHandle(opened));
            console.log('close again ' + CloseHandle(opened));
            console.log('open missing ' + OpenEvent(0x1F0003, 0, '%(n)s'));
            console.log('phase created');
            waitFor('done', close);
        """ % {"e": name("event"), "x": name("mutex"), "n": name("never-made")}
        app = App(folder, {"exe.zip.index.html": page(name("control"), script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("phase created"), app.log())
            self.assertEqual(tool("set-event", name("event")), ["set"])
            tool("write", name("control"), "done")
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        log = app.log()
        for line in ("event true", "mutex true", "opened true", "close opened 1", "close again 0", "open missing 0"):
            self.assertIn(line, log)
        # The host kept no handle of its own: the event is gone with the process.
        self.assertEqual(tool("set-event", name("event")), ["missing"])

    def test_event_set_by_another_process_ends_the_wait(self):
        folder = tempfile.mkdtemp(prefix="webshell-events-")
        name = Unique("events")
        script = """
            var evt = CreateEvent(1, 0, '%(e)s');
            var started = WaitForSingleObject(evt, 20000, function (result) { console.log('wait ' + result); close(); });
            console.log('wait started ' + started);
            if (started === undefined) close();
            console.log('phase waiting');
        """ % {"e": name("event")}
        app = App(folder, {"exe.zip.index.html": page(name("control"), script)})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("phase waiting"), app.log())
            if "wait started undefined" in app.log():
                self.assertEqual(process.wait(30), 1)
                self.skipTest("WaitForSingleObject is not offered by this build yet")
            self.assertEqual(tool("set-event", name("event")), ["set"])
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertEqual([line for line in app.log() if line.startswith("wait")], ["wait started true", "wait 0"])

    def test_a_wait_keeps_its_answer_when_the_page_closes_the_handle_at_once(self):
        # The closed number is taken again by the events made next, which are not signalled.
        folder = tempfile.mkdtemp(prefix="webshell-events-")
        name = Unique("closed-wait")
        script = """
            var answers = [];
            function round(left) {
              if (left == 0) { console.log('answers ' + answers.join(',')); close(); return; }
              var signalled = CreateEvent(1, 1, '');
              WaitForSingleObject(signalled, 0, function (result) {
                answers.push(result);
                for (var i = 0; i < others.length; i++) CloseHandle(others[i]);
                round(left - 1);
              });
              CloseHandle(signalled);
              var others = [];
              for (var i = 0; i < 4; i++) others.push(CreateEvent(1, 0, ''));
            }
            round(8);
        """
        app = App(folder, {"exe.zip.index.html": page(name("control"), script)})
        self.assertEqual(app.run(), 1)
        self.assertEqual(app.values("answers"), [",".join(["0"] * 8)])

    def test_pages_cannot_close_the_hosts_own_handles(self):
        # A page learns the host's handle numbers as the ones taken between two of its own
        # events while a native function runs: the system gives out the lowest free numbers.
        folder = tempfile.mkdtemp(prefix="webshell-owned-")
        name = Unique("owned")
        mapping, single, event = name("mapping"), name("single"), name("event")
        script = """
            function taken(make) {
              var before = CreateEvent(1, 0, '');
              make();
              var after = CreateEvent(1, 0, '');
              var numbers = [];
              for (var h = before + 4; h < after; h += 4) numbers.push(h);
              return numbers;
            }
            var waited = CreateEvent(1, 0, '%(e)s');
            var host = {
              mapping: taken(function () { CreateFileMapping('%(m)s'); WriteFileMapping('%(m)s', 'kept', 0); }),
              single: taken(function () { CreateGlobalHWND('%(s)s'); }),
              worker: taken(function () {
                WaitForSingleObject(waited, 20000, function (result) {
                  console.log('waited ' + result);
                  close();
                });
              })
            };
            for (var kind in host) {
              var results = [];
              for (var i = 0; i < host[kind].length; i++) results.push(CloseHandle(host[kind][i]));
              console.log(kind + ' ' + host[kind].length + ' ' + results.join(','));
            }
            WaitForSingleObject(host.worker[0], 0, function (result) { console.log('host wait ' + result); });
            var own = CreateEvent(1, 0, '');
            console.log('own ' + CloseHandle(own) + ' ' + CloseHandle(own));
            console.log('read ' + ReadFileMapping('%(m)s', 0));
            console.log('package ' + ReadUTF8File('note.txt'));
            console.log('phase closed');
        """ % {"m": mapping, "s": single, "e": event}
        files = {"exe.zip.index.html": page(name("control"), script), "note.txt": "from the package"}
        app = App(folder, files)
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("phase closed"), app.log())
            seen = {"mapping": (read(mapping) or {}).get("text"), "single": tool("exists", single)}
            second = App(os.path.join(folder, "second"), {
                "exe.zip.index.html": page(name("control2"), "console.log('second ' + CreateGlobalHWND('%s')); close();"
                                           % single)})
            self.assertEqual(second.run(), 1)
            seen["second start"] = second.values("second")
            self.assertEqual(tool("set-event", event), ["set"])
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        for kind in ("mapping", "single", "worker"):
            count, results = app.values(kind)[0].split(" ")
            self.assertGreaterEqual(int(count), 1, kind)
            self.assertEqual(results, ",".join(["0"] * int(count)), kind)
        # The host's objects still work, and the second start still finds the first.
        self.assertEqual(seen, {"mapping": "kept", "single": ["exists"], "second start": ["0"]})
        for line in ("own 1 0", "read kept", "package from the package", "waited 0", "host wait 4294967295"):
            self.assertIn(line, app.log())


class RenderMapping(unittest.TestCase):
    def test_window_pixels_reach_another_process_and_a_second_call_replaces_the_first(self):
        folder = tempfile.mkdtemp(prefix="webshell-render-")
        name = Unique("render")
        control = name("control")
        script = """
            SetWindowPos('', '0', 0x40, 0, 0, 64, 48);
            SetCurrentWindowFlag('%(flag)s');
            document.body.style.margin = '0';
            console.log('unknown flag ' + wkeUpdateRenderFM('%(flag)s-not', '%(one)s', 12288));
            console.log('first ' + wkeUpdateRenderFM('%(flag)s', '%(one)s', 12288));
            document.body.style.background = '#0000ff';
            setTimeout(function () {
              console.log('phase blue');
              waitFor('second', function () {
                console.log('second ' + wkeUpdateRenderFM('', '%(two)s', 12288));
                document.body.style.background = '#00ff00';
                setTimeout(function () {
                  console.log('phase green');
                  waitFor('third', function () {
                    console.log('third ' + wkeUpdateRenderFM('', '%(three)s', 100));
                    document.body.style.background = '#ff0000';
                    setTimeout(function () { console.log('phase red'); waitFor('done', close); }, 400);
                  });
                }, 400);
              });
            }, 400);
        """ % {"flag": name("window"), "one": name("one"), "two": name("two"), "three": name("three")}
        app = App(folder, {"exe.zip.index.html": page(control, script)})
        process = app.start()
        pixel = str((10 * 64 + 10) * 4)
        try:
            self.assertTrue(app.wait_for_line("phase blue"), app.log())
            self.assertEqual(tool("bytes", name("one"), pixel, "4"), ["ff0000ff"])
            self.assertEqual(tool("bytes", name("one"), "12284", "4"), ["ff0000ff"])
            tool("write", control, "second")
            self.assertTrue(app.wait_for_line("phase green"), app.log())
            self.assertEqual(tool("bytes", name("two"), pixel, "4"), ["00ff00ff"])
            self.assertEqual(tool("exists", name("one")), ["missing"])
            tool("write", control, "third")
            self.assertTrue(app.wait_for_line("phase red"), app.log())
            # Only the mapping's 100 bytes receive pixels.
            self.assertEqual(tool("bytes", name("three"), "92", "12"), ["0000ffff0000ffff00000000"])
            tool("write", control, "done")
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        log = app.log()
        for line in ("unknown flag 0", "first 1", "second 1", "third 1"):
            self.assertIn(line, log)

    def test_the_mapping_is_released_with_its_window(self):
        folder = tempfile.mkdtemp(prefix="webshell-render-close-")
        name = Unique("render-close")
        control = name("control")
        entry = page(control, """
            SetCurrentWindowFlag('entry');
            wkeCreateWindow('publisher', 0x80000000, 0, '', 'publisher.html');
            waitFor('close publisher', function () {
              PostMessage('publisher', WM_CLOSE, 0, 0);
              setTimeout(function () { console.log('phase closed'); waitFor('done', close); }, 400);
            });
        """)
        publisher = page(name("unused"), """
            SetWindowPos('', '0', 0x40, 0, 0, 20, 20);
            console.log('published ' + wkeUpdateRenderFM('', '%s', 1600));
            console.log('phase published');
        """ % name("pixels"))
        app = App(folder, {"exe.zip.index.html": entry, "publisher.html": publisher})
        process = app.start()
        try:
            self.assertTrue(app.wait_for_line("phase published"), app.log())
            self.assertEqual(tool("exists", name("pixels")), ["exists"])
            tool("write", control, "close publisher")
            self.assertTrue(app.wait_for_line("phase closed"), app.log())
            self.assertEqual(tool("exists", name("pixels")), ["missing"])
            tool("write", control, "done")
            self.assertEqual(process.wait(30), 1)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertIn("published 1", app.log())


if __name__ == "__main__":
    harness.main(("--sharedtool",))
