// A starter app for webshell: one frameless window that the page places and shows itself,
// dragged by its caption, with a button that calls a native function and shows the result and
// one that passes a callback to a function working in the background.
// The native functions are described in docs/api.md; docs/webshell.d.ts declares them for
// editors. Set WEBSHELL_CONSOLE to a file name to see console.log lines and script errors.
(function () {
  'use strict';
  var APP_NAME = 'hello';
  var WIDTH = 360, HEIGHT = 240;
  var WM_CLOSE = 0x10, WM_SYSCOMMAND = 0x0112, SC_DRAG = 0xF012;

  function byId(id) { return document.getElementById(id); }

  // The first window starts hidden at 0, 0 with no size: name it, make it per-pixel
  // transparent (for the rounded corners) and show it in the middle of the screen.
  SetWindowText('', APP_NAME);
  byId('title').textContent = APP_NAME;
  SetWindowLong('', -20, 0x00080000);   // GWL_EXSTYLE = WS_EX_LAYERED
  var left = Math.floor((GetSystemMetrics(0) - WIDTH) / 2);
  var top = Math.floor((GetSystemMetrics(1) - HEIGHT) / 2);
  SetWindowPos('', '0', 0x0040, left, top, WIDTH, HEIGHT);   // HWND_TOP, SWP_SHOWWINDOW

  // Dragging the caption moves the window, as a system caption would.
  byId('caption').addEventListener('mousedown', function () {
    ReleaseCapture();
    SendMessage('', WM_SYSCOMMAND, SC_DRAG, 0);
  });
  byId('close').addEventListener('click', function () {
    PostMessage('', WM_CLOSE, 0, 0);
  });

  // A native function answers at once.
  byId('ask').addEventListener('click', function () {
    var version = GetCoreVersion();
    byId('answer').textContent = 'The host says ' + version;
    console.log('native result: ' + version);
  });

  // A function working in the background calls back later, on this page.
  byId('list').addEventListener('click', function () {
    var path = GetProcessPath();
    var folder = path.substring(0, path.lastIndexOf('\\'));
    byId('listed').textContent = 'Listing ' + folder + ' ...';
    GetFileList(folder, '*.*', function (list) {
      var count = 0;
      while (list[count] !== undefined) count++;
      byId('listed').textContent = count + ' files and folders beside ' + APP_NAME;
      console.log('callback: ' + count + ' entries');
    });
  });

  // Closing the last window ends the program; this callback could keep it open by returning 0.
  RegisterJSCallback_WM_CLOSE(function () {
    console.log('closing');
    return 1;
  });
  console.log(APP_NAME + ' is running');
})();
