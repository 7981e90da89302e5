"""The game-client functions against a test library that answers from a script and raises
events from threads of its own: arguments reach the library whole (UTF-8 texts, a client
handle above 2^31, the two ping numbers truncated), results and events reach the page's
callbacks as strings, and a library that is missing makes every function fail."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402
from page_steps import PAGE_STEPS  # noqa: E402

# Waits for a condition without blocking the page, then goes on.


class GameClient(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-gclient-")

    def install(self, script):
        os.makedirs(os.path.join(self.folder, "plugins"))
        shutil.copyfile(harness.options.game_client, os.path.join(self.folder, "plugins", "gclient_wrap_c.dll"))
        with open(os.path.join(self.folder, "plugins", "gclient.txt"), "w", encoding="utf-8") as answers:
            answers.write(script)

    def calls(self):
        path = os.path.join(self.folder, "plugins", "gclient.log")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as log:
            return log.read().splitlines()

    def run_page(self, script):
        app = App(self.folder, {"exe.zip.index.html": page(PAGE_STEPS + script)})
        self.assertEqual(app.run(timeout=60), 1, app.log())
        return app

    def test_every_function_reaches_the_library_and_answers_the_page(self):
        self.install("init=3000000001\nrungame=131073\nping=平均 12 ms\nfind=found:\n"
                     "chat=first\nchat=中文 second\nchat=third\nuninit=7\n")
        app = self.run_page("""
            var h = GC_wrap_Init();
            var events = [];
            console.log('init ' + h);
            console.log('set ' + GC_wrap_SetEventCallback(h, function (s) {
              events.push(s);
              console.log('event ' + typeof s + ' ' + s);
            }));
            console.log('login ' + GC_wrap_Login(h, '登录 user', function () { console.log('login called back'); }));
            var ran = false, found = false, pings = 0, chats = 0;
            console.log('rungame ' + GC_wrap_RunGame(h, 'game 游戏', function (s) {
              console.log('run ' + typeof s + ' ' + s); ran = true;
            }));
            console.log('reset ' + GC_wrap_reset_ping(h, 'p1', function () {
              console.log('after reset ' + arguments.length); pings++;
            }));
            console.log('insert ' + GC_wrap_insert_ping(h, 'p2 ü', function () {
              console.log('after insert ' + arguments.length); pings++;
            }));
            console.log('ping ' + GC_wrap_Get_ping_result(3.9, -2.5));
            console.log('find ' + GC_wrap_find_user(h, '名字', function (s) { console.log('found ' + s); found = true; }));
            console.log('chat ' + GC_wrap_get_chat_data(h, function (s) { console.log('chatted ' + s); chats++; }));
            console.log('logout ' + GC_wrap_Logout(h));
            // The record is given on a thread of its own: the events wait until it surely was.
            when(function () { return ran && found && pings == 2 && chats == 3; }, function () { later(300, function () {
              console.log('send ' + GC_wrap_send_chat_message(h, 'raise:一|two|三 ✓', function () {
                console.log('send called back');
              }));
              when(function () { return events.length == 3; }, function () {
                console.log('uninit ' + GC_wrap_UnInit(h));
                later(300, done);
              });
            }); });
        """)
        self.assertEqual(app.values("init"), ["3000000001"])
        for name in ("set", "login", "rungame", "reset", "insert", "find", "chat", "logout", "send"):
            self.assertEqual(app.values(name), ["true"], name)
        self.assertEqual(app.values("run"), ['string {"result":1,"attached":2}'])
        self.assertEqual(app.values("after reset"), ["0"])
        self.assertEqual(app.values("after insert"), ["0"])
        self.assertEqual(app.values("ping"), ["平均 12 ms"])
        self.assertEqual(app.values("found"), ["found:名字"])
        self.assertEqual(app.values("chatted"), ["first", "中文 second", "third"])
        self.assertEqual(app.values("event"), ["string 一", "string two", "string 三 ✓"])
        self.assertEqual(app.values("uninit"), ["7"])
        self.assertNotIn("login called back", app.log())
        self.assertNotIn("send called back", app.log())
        calls = self.calls()
        for line in ("Init -> 3000000001",
                     "SetEventCallback 3000000001 window live callback set function",
                     "Login 3000000001 登录 user",
                     "RunGame 3000000001 game 游戏",
                     "reset_ping 3000000001 p1",
                     "insert_ping 3000000001 p2 ü",
                     "Get_ping_result 3 -2 1049600",
                     "find_user 3000000001 名字 16384",
                     "Logout 3000000001",
                     "send_chat_message 3000000001 raise:一|two|三 ✓",
                     "raised 3",
                     "UnInit 3000000001 -> 7"):
            self.assertEqual(calls.count(line), 1, (line, calls))
        # The chat loop asks until the library says there is nothing more, and then stops.
        self.assertEqual([line for line in calls if line.startswith("get_chat_data")],
                         ["get_chat_data 3000000001 16384 -> item"] * 3 + ["get_chat_data 3000000001 16384 -> 0"])

    def test_without_the_library_init_gives_0_and_every_other_function_false(self):
        app = self.run_page("""
            var f = function () { console.log('called back'); };
            console.log('init ' + GC_wrap_Init());
            var results = [GC_wrap_UnInit(1), GC_wrap_SetEventCallback(1, f), GC_wrap_Login(1, 'a', f),
                           GC_wrap_Logout(1), GC_wrap_RunGame(1, 'a', f), GC_wrap_reset_ping(1, 'a', f),
                           GC_wrap_insert_ping(1, 'a', f), GC_wrap_Get_ping_result(1, 2), GC_wrap_find_user(1, 'a', f),
                           GC_wrap_send_chat_message(1, 'a', f), GC_wrap_get_chat_data(1, f)];
            console.log('results ' + results.join(','));
            console.log('second init ' + GC_wrap_Init());
            later(500, done);
        """)
        self.assertEqual(app.values("init"), ["0"])
        self.assertEqual(app.values("results"), [",".join(["false"] * 11)])
        self.assertEqual(app.values("second init"), ["0"])
        self.assertNotIn("called back", app.log())

    def test_chat_data_that_ends_at_once_never_calls_back(self):
        self.install("init=9\n")
        app = self.run_page("""
            var h = GC_wrap_Init();
            console.log('chat ' + GC_wrap_get_chat_data(h, function (s) { console.log('chatted ' + s); }));
            later(1500, done);
        """)
        self.assertEqual(app.values("chat"), ["true"])
        self.assertEqual(app.values("chatted"), [])
        self.assertEqual([line for line in self.calls() if line.startswith("get_chat_data")],
                         ["get_chat_data 9 16384 -> 0"])

    def test_a_ping_result_that_fills_its_buffer_ends_with_the_buffer(self):
        self.install("init=9\nping=<fill>\n")
        app = self.run_page("""
            GC_wrap_Init();
            var text = GC_wrap_Get_ping_result(1, 2);
            console.log('ping ' + text.length + ' ' + /^p*$/.test(text));
            done();
        """)
        self.assertEqual(app.values("ping"), ["1049600 true"])

    def test_records_of_an_ended_client_no_longer_reach_its_page(self):
        # The library calls every record it was ever given, also those of a client it has
        # ended. The program freed those at GC_wrap_UnInit: the call is dropped, and the
        # client still running gets its event.
        self.install("init=5\ninit=6\n")
        app = self.run_page("""
            var a = GC_wrap_Init(), b = GC_wrap_Init(), seen = [];
            function record(name) { return function (s) { seen.push(name + ' ' + s); console.log('event ' + name + ' ' + s); }; }
            GC_wrap_SetEventCallback(a, record('a'));
            GC_wrap_SetEventCallback(b, record('b'));
            later(500, function () { GC_wrap_send_chat_message(a, 'raise:before', 0); });
            when(function () { return seen.length == 1; }, function () {
              console.log('uninit ' + GC_wrap_UnInit(a));
              GC_wrap_send_chat_message(b, 'raise-all:after', 0);
              when(function () { return seen.length >= 2; }, function () { later(1000, done); });
            });
        """)
        self.assertEqual(app.values("event"), ["a before", "b after"])
        self.assertEqual(app.values("uninit"), ["0"])
        self.assertIn("raised 1", self.calls())


if __name__ == "__main__":
    harness.main(["--game-client"])
