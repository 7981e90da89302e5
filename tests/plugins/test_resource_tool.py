"""The resource-tool functions against a test tool library that logs its arguments: each
function passes its inputs in order and calls its callback with the export's result (or the
two outputs of a path query) before it returns true; without the library every callback still
comes, with 0."""
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App, page  # noqa: E402

TOOL = os.path.join("VELQ___s13tool", "313_vude.dll")

# Every function with its inputs; the page adds the callback after them.
CALLS = [
    ("Get_Data_Num", "'data.bin'"),
    ("Get_Arr_Num", "'data.bin', '数组', 3"),
    ("Get_Frame_Num", "'data.bin', 'frames', 4.9, -2"),
    ("Get_Frame_Path", "'data.bin', 1, 2, 3"),
    ("Set_Frame_Path", "'data.bin', 5, 6, 7, 'C:\\\\新\\\\frame.png'"),
    ("S13_Bat_Pack", "'in', 'out', 'list'"),
    ("S13_Bat_Unpack", "'in', 'out', 8, 9, 'filter'"),
    ("S13_Save", "'data.bin', 'saved.bin'"),
    ("G1l2Ogg", "'voice.g1l', 'voice.ogg'"),
    ("Ogg2G1l", "'voice.ogg', '音声.g1l'"),
    ("Res_FileType", "'res.bin'"),
    ("Res_Frame_Num", "'res.bin'"),
    ("Res_Frame_Path", "'res.bin', 3"),
    ("Res_Set_Frame_Path", "'res.bin', 4, 'p.png'"),
    ("Res_Save", "'res.bin'"),
    ("S13_Font_Pack", "'font', 'chars.txt', 'out.fnt'"),
]

SCRIPT = """
    var calls = [%s];
    for (var i = 0; i < calls.length; i++) {
      var answered = [];
      // The host passes as many values as the callback declares; a third stays undefined.
      var returned = calls[i][1](function (first, second, third) {
        var values = [];
        for (var j = 0; j < arguments.length; j++) if (arguments[j] !== undefined) values.push(arguments[j]);
        answered.push(values.join(','));
      });
      console.log(calls[i][0] + ' ' + returned + ' [' + answered.join('|') + ']');
    }
    console.log('S13_init ' + S13_init());
    PostMessage('', WM_CLOSE, 0, 0);
""" % ",\n".join("['%s', function (f) { return %s(%s, f); }]" % (name, name, inputs) for name, inputs in CALLS)

ANSWERS = """s13_get_data_number=41
s13_get_arr_num=42
s13_get_frame_num=43
s13_get_frame_path=11,-12
s13_set_frame_path=44
s13_bat_pack=45
s13_bat_unpack=46
s13_pack=47
s13_g1l2ogg=48
s13_ogg2g1l=49
s13_get_res_file_type=50
s13_get_res_frame_num=51
s13_get_res_frame_path=13,14
s13_set_res_frame_path=52
s13_pack_res=53
s13_font_pack=54
"""


class ResourceTool(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="webshell-tool-")

    def test_each_function_passes_its_inputs_in_order_and_calls_back_before_it_returns(self):
        os.makedirs(os.path.join(self.folder, "VELQ___s13tool"))
        shutil.copyfile(harness.options.resource_tool, os.path.join(self.folder, TOOL))
        with open(os.path.join(self.folder, "VELQ___s13tool", "tool.txt"), "w", encoding="utf-8") as script:
            script.write(ANSWERS)
        app = App(self.folder, {"exe.zip.index.html": page(SCRIPT)})
        self.assertEqual(app.run(), 1, app.log())
        with open(os.path.join(self.folder, "VELQ___s13tool", "tool.log"), encoding="utf-8") as log:
            calls = log.read().splitlines()
        self.assertEqual(calls, [
            "s13_init() -> 0",  # once, at start-up
            "s13_get_data_number('data.bin') -> 41",
            "s13_get_arr_num('data.bin','数组',3) -> 42",
            "s13_get_frame_num('data.bin','frames',4,-2) -> 43",
            "s13_get_frame_path('data.bin',1,2,3, preset 0,0) -> 11,-12",
            "s13_set_frame_path('data.bin',5,6,7,'C:\\新\\frame.png') -> 44",
            "s13_bat_pack('in','out','list') -> 45",
            "s13_bat_unpack('in','out',8,9,'filter') -> 46",
            "s13_pack('data.bin','saved.bin') -> 47",
            "s13_g1l2ogg('voice.g1l','voice.ogg') -> 48",
            "s13_ogg2g1l('voice.ogg','音声.g1l') -> 49",
            "s13_get_res_file_type('res.bin') -> 50",
            "s13_get_res_frame_num('res.bin') -> 51",
            "s13_get_res_frame_path('res.bin',3, preset 0,0) -> 13,14",
            "s13_set_res_frame_path('res.bin',4,'p.png') -> 52",
            "s13_pack_res('res.bin') -> 53",
            "s13_font_pack('font','chars.txt','out.fnt') -> 54",
            "s13_init() -> 0",  # and again for S13_init
        ])
        results = [str(n) for n in range(41, 55)]
        expected = dict(zip([name for name, _ in CALLS if "Path" not in name or "Set" in name], results))
        expected["Get_Frame_Path"] = "11,-12"
        expected["Res_Frame_Path"] = "13,14"
        for name, _ in CALLS:
            self.assertEqual(app.values(name), ["true [%s]" % expected[name]], name)
        self.assertEqual(app.values("S13_init"), ["true"])

    def test_without_the_library_every_callback_still_comes_with_zero(self):
        app = App(self.folder, {"exe.zip.index.html": page(SCRIPT)})
        self.assertEqual(app.run(), 1, app.log())
        for name, _ in CALLS:
            self.assertEqual(app.values(name), ["true [%s]" % ("0,0" if name.endswith("Frame_Path") and
                                                                 not name.startswith(("Set", "Res_Set")) else "0")],
                             name)
        self.assertEqual(app.values("S13_init"), ["true"])


if __name__ == "__main__":
    harness.main(["--resource-tool"])
