"""Hostile nesting in the real program: a page nested 100,000 elements deep, a script that
sets innerHTML to 20,000 nested <b> and reads textContent back, a script that chains 100,000
elements with appendChild and has them laid out and painted, and descendant selectors over
deep nesting. The program must stay up, report every result on the console and end normally."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import harness  # noqa: E402
from harness import App  # noqa: E402

SCRIPT = harness.PAGE_CONSTANTS + r"""
function timed(label, run) {
  var t0 = Date.now();
  var result = run();
  console.log('time ' + label + ' ' + (Date.now() - t0));
  return result;
}
console.log('page text ' + document.getElementById('deep').textContent + ' ' + document.getElementsByTagName('div').length);
var box = document.createElement('div');
document.body.appendChild(box);
var text = timed('innerHTML', function () {
  box.innerHTML = '<b>'.repeat(20000) + 'deepest';
  return box.textContent;
});
console.log('bold text ' + text + ' ' + box.getElementsByTagName('b').length);
var outer = box.outerHTML.length;
console.log('bold html ' + (outer > 20000 * 7));
box.innerHTML = '';
var e = box;
timed('chain', function () {
  for (var i = 0; i < 100000; ++i) { var c = document.createElement('span'); e.appendChild(c); e = c; }
  e.appendChild(document.createTextNode('bottom'));
});
console.log('chain text ' + box.textContent + ' ' + box.innerHTML.length);
var r = timed('layout', function () { return box.getBoundingClientRect(); });
console.log('chain laid out ' + (typeof r.width));
var n = timed('selector', function () {
  var s = document.createElement('section');
  s.innerHTML = '<a>'.repeat(400) + '<b></b>';
  document.body.appendChild(s);
  return document.querySelectorAll('x a a a a b').length + ',' + document.querySelectorAll('section a a a a b').length;
});
console.log('selector ' + n);
// Painting happens between tasks: end a little later, after the window had its turn.
setTimeout(function () {
  box.parentNode.removeChild(box);
  console.log('done');
  PostMessage('', WM_CLOSE, 0, 0);
}, 300);
"""


def page():
    deep = "<div id=deep>" + "<div>" * 99999 + "x" + "</div>" * 100000
    return "<html><body>" + deep + "<script>" + SCRIPT + "</script></body></html>"


class DeepPages(unittest.TestCase):
    def test_deep_pages_neither_crash_nor_stall(self):
        app = App(tempfile.mkdtemp(prefix="webshell-deep-pages-"), {"exe.zip.index.html": page()})
        code = app.run(timeout=120)
        log = app.log()
        self.assertIn("done", log, "the program did not get to the end: %r" % log[-5:])
        self.assertEqual(code, 1, "the program did not end normally")
        self.assertIn("page text x 100000", log)
        self.assertIn("bold text deepest 20000", log)
        self.assertIn("bold html true", log)
        self.assertIn("chain text bottom %d" % (100000 * 13 + 6), log)
        self.assertIn("chain laid out number", log)
        self.assertIn("selector 0,1", log)
        for line in log:
            if line.startswith("time "):
                print(line)


if __name__ == "__main__":
    harness.main()
