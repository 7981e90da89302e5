// Test helper: finds a top-level window by class and title and reports on it or sends it
// mouse clicks, as a user would.
//   window_tool info <class> <title> [wait-ms]   waits for the window, then prints
//                                                "rect L T R B", "screen W H", "visible 0|1",
//                                                "iconic 0|1" and "count N" (matching windows);
//                                                exit code 1 when none appears in time
//   window_tool click <class> <title> <x> <y>    posts a left-button press and release at the
//                                                client point (x, y); exit code 1 when missing
//   window_tool drag <class> <title> <x> <y> <dx> <dy>
//                                                presses the left button at the client point
//                                                (x, y) with the system's own mouse input,
//                                                moves the cursor by (dx, dy) and releases it
//   window_tool gone <class> <title> [wait-ms]   exit code 0 once no such window exists
//   window_tool send <class> <title> <message> <wparam> <lparam>
//                                                sends the message (numbers in C notation) as
//                                                another program could, prints "result N";
//                                                exit code 1 when missing or not answered in 5 s
//   window_tool post <class> <title> <message> <wparam> <lparam>
//                                                posts it; exit code 1 when missing
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
  const wchar_t* className;
  const wchar_t* title;
  int count;
};

BOOL CALLBACK CountMatching(HWND window, LPARAM parameter) {
  Search& search = *reinterpret_cast<Search*>(parameter);
  wchar_t className[256] = {};
  wchar_t title[256] = {};
  GetClassNameW(window, className, 256);
  GetWindowTextW(window, title, 256);
  if (std::wcscmp(className, search.className) == 0 && std::wcscmp(title, search.title) == 0) ++search.count;
  return TRUE;
}

HWND WaitFor(const wchar_t* className, const wchar_t* title, DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    const HWND window = FindWindowW(className, title);
    if (window && IsWindowVisible(window)) return window;
    if (GetTickCount64() >= deadline) return window;
    Sleep(50);
  }
}

DWORD Milliseconds(int argc, wchar_t** argv, int index, DWORD fallback) {
  return argc > index ? static_cast<DWORD>(std::wcstoul(argv[index], nullptr, 10)) : fallback;
}

int Info(const wchar_t* className, const wchar_t* title, DWORD wait) {
  const HWND window = WaitFor(className, title, wait);
  if (!window) {
    std::puts("missing");
    return 1;
  }
  RECT rect = {};
  GetWindowRect(window, &rect);
  Search search = {className, title, 0};
  EnumWindows(CountMatching, reinterpret_cast<LPARAM>(&search));
  std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
  std::printf("screen %d %d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::printf("visible %d\n", IsWindowVisible(window) ? 1 : 0);
  std::printf("iconic %d\n", IsIconic(window) ? 1 : 0);
  std::printf("count %d\n", search.count);
  return 0;
}

int Click(const wchar_t* className, const wchar_t* title, int x, int y) {
  const HWND window = FindWindowW(className, title);
  if (!window) return 1;
  const LPARAM point = MAKELPARAM(x, y);
  PostMessageW(window, WM_MOUSEMOVE, 0, point);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PostMessageW(window, WM_LBUTTONUP, 0, point);
  return 0;
}

void Mouse(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  Sleep(100);
}

int Drag(const wchar_t* className, const wchar_t* title, int x, int y, int dx, int dy) {
  const HWND window = FindWindowW(className, title);
  if (!window) return 1;
  RECT rect = {};
  GetWindowRect(window, &rect);
  const int startX = rect.left + x;
  const int startY = rect.top + y;
  SetCursorPos(startX, startY);
  Sleep(100);
  Mouse(MOUSEEVENTF_LEFTDOWN);
  const int steps = 5;
  for (int step = 1; step <= steps; ++step) {
    SetCursorPos(startX + dx * step / steps, startY + dy * step / steps);
    Mouse(MOUSEEVENTF_MOVE);
  }
  Mouse(MOUSEEVENTF_LEFTUP);
  return 0;
}

int Gone(const wchar_t* className, const wchar_t* title, DWORD wait) {
  const ULONGLONG deadline = GetTickCount64() + wait;
  while (FindWindowW(className, title)) {
    if (GetTickCount64() >= deadline) return 1;
    Sleep(50);
  }
  return 0;
}

unsigned long long Number(const wchar_t* text) { return std::wcstoull(text, nullptr, 0); }

int Message(bool send, const wchar_t* className, const wchar_t* title, wchar_t** numbers) {
  const HWND window = FindWindowW(className, title);
  if (!window) return 1;
  const auto message = static_cast<UINT>(Number(numbers[0]));
  const auto wParam = static_cast<WPARAM>(Number(numbers[1]));
  const auto lParam = static_cast<LPARAM>(Number(numbers[2]));
  if (!send) return PostMessageW(window, message, wParam, lParam) ? 0 : 1;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 1;
  std::printf("result %llu\n", static_cast<unsigned long long>(result));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const std::wstring command = argv[1];
  if (command == L"info") return Info(argv[2], argv[3], Milliseconds(argc, argv, 4, 20000));
  if (command == L"click" && argc > 5) {
    return Click(argv[2], argv[3], static_cast<int>(std::wcstol(argv[4], nullptr, 10)),
                 static_cast<int>(std::wcstol(argv[5], nullptr, 10)));
  }
  if (command == L"drag" && argc > 7) {
    return Drag(argv[2], argv[3], static_cast<int>(std::wcstol(argv[4], nullptr, 10)),
                static_cast<int>(std::wcstol(argv[5], nullptr, 10)),
                static_cast<int>(std::wcstol(argv[6], nullptr, 10)),
                static_cast<int>(std::wcstol(argv[7], nullptr, 10)));
  }
  if ((command == L"send" || command == L"post") && argc > 6)
    return Message(command == L"send", argv[2], argv[3], argv + 4);
  if (command == L"gone") return Gone(argv[2], argv[3], Milliseconds(argc, argv, 4, 20000));
  return 2;
}
