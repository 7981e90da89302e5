// Test helper: looks at and drives the notification area as the shell and a user would.
//   tray_tool windows                          lists the shell's tray windows and their
//                                              children: "window <class> <visible> <L T R B>"
//   tray_tool present <class> <title>          "present 1" when the window has icon 1 in the
//                                              notification area, else "present 0"
//   tray_tool texts                            the texts of the shell's tooltips (the icons'
//                                              tips and the balloons): "tip <text>" for each
//                                              tool, "visible" after it when it is on screen
//   tray_tool count                            "icons N": the icons the notification area shows
//   tray_tool click <message>                  sends the mouse message (513 to 517) to the only
//                                              icon window of the notification area, as the
//                                              mouse would; exit code 1 when there is not
//                                              exactly one
//   tray_tool notify <class> <title> <lparam>  sends the tray message 0x04D7 with that lParam
//                                              to the window, as the shell would
//   tray_tool forget <class> <title>           removes the window's icon 1 behind its back, as
//                                              a shell that restarts loses every icon
//   tray_tool taskbar-created <class> <title>  sends the window the registered "TaskbarCreated"
//                                              message, as a new taskbar does
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD ShellProcess() {
  const HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
  DWORD process = 0;
  if (tray) GetWindowThreadProcessId(tray, &process);
  return process;
}

struct Collected {
  DWORD process;
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
  reinterpret_cast<Collected*>(parameter)->windows.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectTop(HWND window, LPARAM parameter) {
  auto& collected = *reinterpret_cast<Collected*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != collected.process) return TRUE;
  collected.windows.push_back(window);
  EnumChildWindows(window, CollectChild, parameter);
  return TRUE;
}

std::vector<HWND> ShellWindows() {
  Collected collected{ShellProcess(), {}};
  if (collected.process) EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

int Windows() {
  for (const HWND window : ShellWindows()) {
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("window %ls %d %ld %ld %ld %ld\n", ClassOf(window).c_str(), IsWindowVisible(window) ? 1 : 0, rect.left,
                rect.top, rect.right, rect.bottom);
  }
  return 0;
}

HWND Find(const wchar_t* className, const wchar_t* title) { return FindWindowW(className, title); }

NOTIFYICONDATAW IconOf(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = 1;
  return data;
}

int Present(HWND window) {
  NOTIFYICONDATAW data = IconOf(window);
  // Changing nothing succeeds only for an icon the notification area has.
  std::printf("present %d\n", Shell_NotifyIconW(NIM_MODIFY, &data) ? 1 : 0);
  return 0;
}

// Memory in the shell's process, for the tooltip messages that take pointers.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size) : process_(process) {
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  char* get() const { return static_cast<char*>(address_); }

 private:
  HANDLE process_;
  void* address_;
};

std::wstring ReadText(HANDLE process, const char* address) {
  wchar_t text[1024] = {};
  SIZE_T read = 0;
  ReadProcessMemory(process, address, text, sizeof text - sizeof(wchar_t), &read);
  return text;
}

int Texts() {
  const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ShellProcess());
  if (!process) return 1;
  constexpr size_t kText = 2048;
  RemoteBlock block(process, sizeof(TTTOOLINFOW) + kText);
  if (!block.get()) {
    CloseHandle(process);
    return 1;
  }
  char* const remoteInfo = block.get();
  char* const remoteText = remoteInfo + sizeof(TTTOOLINFOW);
  for (const HWND window : ShellWindows()) {
    if (ClassOf(window) != TOOLTIPS_CLASSW) continue;
    const bool visible = IsWindowVisible(window);
    const LRESULT count = SendMessageW(window, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = sizeof info;
      info.lpszText = reinterpret_cast<wchar_t*>(remoteText);
      const wchar_t empty = 0;
      WriteProcessMemory(process, remoteText, &empty, sizeof empty, nullptr);
      WriteProcessMemory(process, remoteInfo, &info, sizeof info, nullptr);
      if (!SendMessageW(window, TTM_ENUMTOOLSW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remoteInfo))) continue;
      std::printf("tip %ls%s\n", ReadText(process, remoteText).c_str(), visible ? " visible" : "");
    }
  }
  CloseHandle(process);
  return 0;
}

std::vector<HWND> Icons() {
  std::vector<HWND> icons;
  for (const HWND window : ShellWindows()) {
    const std::wstring name = ClassOf(window);
    if (name == L"__winex11_tray_icon" || name == L"__wine_tray_icon") icons.push_back(window);
  }
  return icons;
}

int Click(UINT message) {
  const std::vector<HWND> icons = Icons();
  if (icons.size() != 1) {
    std::printf("icons %zu\n", icons.size());
    return 1;
  }
  const LPARAM point = MAKELPARAM(4, 4);
  const WPARAM keys = (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) ? MK_LBUTTON
                      : message == WM_RBUTTONDOWN                                ? MK_RBUTTON
                                                                                 : 0;
  SendMessageW(icons[0], message, keys, point);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Every line reaches the driver at once, also when the program ends abruptly.
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  if (command == L"windows") return Windows();
  if (command == L"texts") return Texts();
  if (command == L"count") {
    std::printf("icons %zu\n", Icons().size());
    return 0;
  }
  if (command == L"click" && argc >= 3) return Click(static_cast<UINT>(std::wcstoul(argv[2], nullptr, 0)));
  if (argc < 4) return 2;
  const HWND window = Find(argv[2], argv[3]);
  if (!window) {
    std::puts("missing");
    return 1;
  }
  if (command == L"present") return Present(window);
  if (command == L"notify" && argc >= 5) {
    const LPARAM lParam = static_cast<LPARAM>(std::wcstoul(argv[4], nullptr, 0));
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, 0x04D7, 1, lParam, SMTO_ABORTIFHUNG, 5000, &result)) return 1;
    std::printf("result %llu\n", static_cast<unsigned long long>(result));
    return 0;
  }
  if (command == L"forget") {
    NOTIFYICONDATAW data = IconOf(window);
    std::printf("forgot %d\n", Shell_NotifyIconW(NIM_DELETE, &data) ? 1 : 0);
    return 0;
  }
  if (command == L"taskbar-created") {
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return 1;
    std::puts("sent");
    return 0;
  }
  return 2;
}
