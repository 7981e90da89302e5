// What a page author writes: every call here must type-check against docs/webshell.d.ts.
SetWindowLong('', -20, 0x00080000);
const left: number = Math.floor((GetSystemMetrics(0) - 400) / 2);
SetWindowPos('', '0', 0x0040, left, 100, 400, 400);
SetWindowPos('', -1, 0x0003, 0, 0, 0, 0);
const rect: WindowRect = GetWindowRect('');
const width: number = rect.right - rect.left;
const byHandle: WindowRect = GetWindowRect(FindWindow('Shell_TrayWnd', ''));

RegisterJSCallback_WM_CLOSE(function () {
  return width > 0 ? 1 : 0;
});
RegJSCB_WM_GETMINMAXINFO(function () {
  return {ptMinTrackSize_x: 200, ptMinTrackSize_y: 150};
});
RegJSCB_WM_DROPFILES(function (files) {
  const first: string = files[0];
});

curl_http_download('http://127.0.0.1/a.zip', 'C:\\a.zip', function (done, total) {
  if (done === total) unzip('C:\\a.zip', '', 'C:\\a\\', function (d: number, t: number) {});
}, 0);
unzip('images/', 'C:\\out\\', function () {});

const crc: number = GetFileCRC32('C:\\a.zip');
const started: boolean = GetFileCRC32('C:\\a.zip', function (done, total, value) {});
GetFileList('C:\\data', function (list) {
  const path: string = list[0].fp;
});
GetFileList('C:\\data', '*.txt', function (list) {});

const p: ProcessInfo = CreateProcess('C:\\tool.exe', '', 'C:\\');
if (p['return'] === 1) WaitForSingleObject(p.hProcess, 0xFFFFFFFF, function (result) {
  CloseHandle(p.hProcess);
});
ShellExecuteEx('open', 'langset.exe', '1 2', '', 0, function () {});

const lang: string | undefined = RegQueryString(0x80000001, 0, 'Software\\MyApp', 'Lang');
SetEnvironmentVariable('MYAPP_PID', GetCurrentProcessId());
ShellNotifyIcon('', {NIM_contrl_code: 0, uFlags: 7, szTip: 'tip', MessageJSCallBack_515: function () {}});
Handware_Info('memory', function (gib) {});
const choice: string | undefined = SHBrowseForFolder();
MessageBoxTimeout('hello');
