"""The IO channel between the program and a running game, with the game in a process of its
own: the sample game and the game_peer helper both take the game's side through the library
game developers link (plugins/gameside). Commands reach the game, results of kind 1 reach the
page as callback(ok, text) and other kinds are taken without a call, texts are cut to their
fields at character boundaries, and the channel's handles are the program's own."""
import os
import queue
import re
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402
from page_steps import PAGE_STEPS  # noqa: E402


FIELDS = re.compile(r"activation=(\d+):(.*) sign=(\d+):(.*) info=(\d+):(.*) program=(\d+)$")


class Peer:
    """A Windows program of the game's side, whose output lines are read as they come."""

    def __init__(self, exe, *args):
        self.process = subprocess.Popen([harness.WINE_RUN, exe, *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True, encoding="utf-8", errors="replace")
        self.lines = queue.Queue()
        self.seen = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\r\n"))
        self.lines.put(None)

    def next_line(self, timeout=30):
        line = self.lines.get(timeout=timeout)
        if line is not None:
            self.seen.append(line)
        return line

    def wait_for(self, start, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            line = self.next_line(deadline - time.monotonic())
            if line is None:
                break
            if line.startswith(start):
                return line
        raise AssertionError("no line %r; saw %r" % (start, self.seen))

    def finish(self, timeout=60):
        try:
            self.process.wait(timeout)
        finally:
            if self.process.poll() is None:
                self.process.kill()
        while True:
            try:
                if self.next_line(5) is None:
                    break
            except queue.Empty:
                break
        self.process.stdout.close()
        return self.seen


def fields(line):
    match = FIELDS.search(line)
    assert match, line
    return {"activation": (int(match.group(1)), match.group(2)), "sign": (int(match.group(3)), match.group(4)),
            "info": (int(match.group(5)), match.group(6)), "program": int(match.group(7))}


class GameChannel(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-channel-")
        self.app_process = None
        self.peers = []

    def tearDown(self):
        # Named objects outlive a test while any process holds them: end every one.
        if self.app_process and self.app_process.poll() is None:
            self.app_process.kill()
        for peer in self.peers:
            if peer.process.poll() is None:
                peer.process.kill()

    def peer(self, exe, *args):
        peer = Peer(exe, *args)
        self.peers.append(peer)
        return peer

    def start_app(self, script):
        app = App(self.folder, {"exe.zip.index.html": page(PAGE_STEPS + script)})
        self.app_process = app.start()
        return app

    def app_ends(self, app):
        self.assertEqual(self.app_process.wait(60), 1, app.log())

    def test_the_sample_game_sees_activate_deactivate_and_run_game_and_the_page_its_results(self):
        app = self.start_app("""
            var results = [];
            vexo_IO_Init(function (ok, text) { results.push(text); console.log('result ' + ok + ' ' + text); }, 0);
            console.log('initialised ' + vexo_IO_GetPIDRight());
            when(function () { return vexo_IO_GetPIDRight() != 0; }, function () {
              console.log('right pid ' + vexo_IO_GetPIDRight());
              vexo_IO_SetSign('签名 sign');
              vexo_IO_Active('激活 key');
              when(function () { return results.length == 1; }, function () {
                vexo_IO_DeActive();
                when(function () { return results.length == 2; }, function () {
                  vexo_IO_RunGame();
                  when(function () { return results.length == 3; }, function () { later(200, done); });
                });
              });
            });
        """)
        self.assertTrue(app.wait_for_line("initialised 0", timeout=30), app.log())
        game = self.peer(harness.options.sample_game, "30")
        ready = game.wait_for("ready ")
        self.app_ends(app)
        seen = game.finish()
        self.assertEqual(app.values("right pid"), [ready.split()[1]])
        self.assertEqual(app.values("result"), ["1 activated 激活 key", "1 deactivated", "1 game started 签名 sign"])
        self.assertEqual(seen[1:], ["activate 激活 key", "deactivate", "run game", "program gone"])

    def test_results_kinds_texts_at_their_limits_and_a_block_the_game_made_first(self):
        game = self.peer(harness.options.game_peer,
                         "open", "info", "from the game",
                         "wait", "30000", "reply", "0", "1", "0", "ignored", "reply", "1", "1", "0", "@200xé",
                         "wait", "30000", "reply", "1", "1", "5", "bad",
                         "wait", "30000", "reply", "1", "0", "0", "no success",
                         "wait", "30000", "raw-info", "4096", "raw-reply", "304")
        opened = game.wait_for("open")
        game.wait_for("info")
        app = self.start_app("""
            console.log('before init ' + JSON.stringify([vexo_IO_GetSign(), vexo_IO_GetResultInfo(), vexo_IO_GetPIDRight()]));
            var results = [];
            vexo_IO_Init(function (ok, text) {
              results.push(text);
              console.log('result ' + (typeof ok) + ' ' + ok + ' ' + text.length + ' ' + text.substring(0, 12));
            }, 0);
            console.log('kept ' + vexo_IO_GetResultInfo());
            vexo_IO_Init(function () { console.log('second callback called'); }, 0);
            console.log('pid ' + vexo_IO_GetPIDRight());
            function check(kind, set, get, unit, count) {
              var text = repeat(unit, count);
              set(text);
              var back = get();
              console.log(kind + ' ' + unit + count + ' ' + back.length + ' ' + (text.indexOf(back) == 0));
            }
            var sign = [['a', 1023], ['a', 1024], ['漢', 341], ['漢', 342], ['é', 512]];
            for (var i = 0; i < sign.length; i++) check('sign', vexo_IO_SetSign, vexo_IO_GetSign, sign[i][0], sign[i][1]);
            var info = [['a', 4095], ['a', 4096], ['漢', 1365], ['漢', 1366], ['😀', 1024]];
            for (var i = 0; i < info.length; i++)
              check('info', vexo_IO_SetResultInfo, vexo_IO_GetResultInfo, info[i][0], info[i][1]);
            vexo_IO_SetSign('签名');
            vexo_IO_SetResultInfo('host info');
            vexo_IO_Active(repeat('a', 256));
            when(function () { return results.length == 1; }, function () {
              vexo_IO_Active(repeat('漢', 86));
              when(function () { return results.length == 2; }, function () {
                vexo_IO_DeActive();
                when(function () { return results.length == 3; }, function () {
                  vexo_IO_RunGame();
                  when(function () { return results.length == 4; }, function () {
                    console.log('raw info ' + vexo_IO_GetResultInfo().length);
                    later(300, done);
                  });
                });
              });
            });
        """)
        self.app_ends(app)
        seen = game.finish()
        self.assertEqual(app.values("before init"), ['["","",0]'])
        self.assertEqual(app.values("kept"), ["from the game"])
        self.assertEqual(app.values("pid"), [opened.split()[1]])
        self.assertNotIn("second callback called", app.log())
        self.assertEqual(app.values("sign"), ["a1023 1023 true", "a1024 1023 true", "漢341 341 true",
                                              "漢342 341 true", "é512 511 true"])
        self.assertEqual(app.values("info"), ["a4095 4095 true", "a4096 4095 true", "漢1365 1365 true",
                                              "漢1366 1365 true", "😀1024 2046 true"])
        # Kind 0 was taken without a call (the next reply found it taken); 200 two-byte
        # characters are cut to the 151 that fit 303 bytes.
        # The last result text fills its field with no zero: it ends where its field does.
        self.assertEqual(app.values("result"), ["number 1 151 " + "é" * 12, "number 0 3 bad",
                                                "number 0 10 no success", "number 1 304 " + "y" * 12])
        self.assertEqual(app.values("raw info"), ["4096"])
        self.assertEqual([line for line in seen if line in ("replied", "not taken")], ["replied"] * 5)
        commands = [line for line in seen if line.startswith("command ")]
        self.assertEqual([line.split()[1] for line in commands], ["1", "1", "2", "3"])
        first, second = fields(commands[0]), fields(commands[1])
        self.assertEqual(first["activation"], (255, "a" * 255))
        self.assertEqual(second["activation"], (255, "漢" * 85))
        self.assertEqual(first["sign"], (6, "签名"))
        self.assertEqual(first["info"], (9, "host info"))
        self.assertNotEqual(first["program"], 0)

    def test_mode_1_only_maps_the_block(self):
        game = self.peer(harness.options.game_peer, "open", "until-sign", "m1 sign", "30000", "left", "wait", "1000",
                         "fields")
        game.wait_for("open")
        app = self.start_app("""
            vexo_IO_Init(function () { console.log('called back'); }, 1);
            vexo_IO_Active('not sent');
            vexo_IO_RunGame();
            vexo_IO_SetSign('m1 sign');
            console.log('pid ' + (vexo_IO_GetPIDRight() != 0));
            later(4000, done);
        """)
        self.app_ends(app)
        seen = game.finish()
        self.assertEqual(seen[1:4], ["sign seen", "left missing", "no command"])
        self.assertEqual(fields(seen[4])["activation"], (0, ""))
        self.assertEqual(fields(seen[4])["program"], 0)
        self.assertEqual(app.values("pid"), ["true"])
        self.assertNotIn("called back", app.log())

    def test_a_page_cannot_close_the_channels_handles(self):
        # The handles the channel takes while it starts lie between two of the page's own; a
        # page that closes them all must not stop the results (nor make the listener spin).
        game = self.peer(harness.options.game_peer, "open", "wait", "30000", "reply", "1", "1", "0", "after closes")
        game.wait_for("open")
        app = self.start_app("""
            var before = CreateEvent(1, 0, '');
            vexo_IO_Init(function (ok, text) { console.log('result ' + ok + ' ' + text); later(200, done); }, 0);
            later(2500, function () {
              var after = CreateEvent(1, 0, '');
              var results = [];
              for (var h = before + 4; h < after; h += 4) results.push(CloseHandle(h));
              console.log('closed ' + results.length + ' ' + results.join(','));
              vexo_IO_Active('go');
            });
        """)
        self.app_ends(app)
        game.finish()
        count, results = app.values("closed")[0].split(" ")
        self.assertGreaterEqual(int(count), 3)
        self.assertEqual(results, ",".join(["0"] * int(count)))
        self.assertEqual(app.values("result"), ["1 after closes"])


if __name__ == "__main__":
    harness.main(["--game-peer", "--sample-game"])
