"""Page script helpers the bridge tests share: steps that wait for a condition or a time
without blocking the page, and closing the page's own window at the end."""

PAGE_STEPS = """
    function when(test, then) {
      if (test()) then();
      else setTimeout(function () { when(test, then); }, 20);
    }
    function later(ms, then) { setTimeout(then, ms); }
    function done() { PostMessage('', WM_CLOSE, 0, 0); }
    function repeat(unit, count) { var s = ''; for (var i = 0; i < count; i++) s += unit; return s; }
"""
