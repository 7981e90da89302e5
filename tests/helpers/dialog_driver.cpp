// Test helper: answers a system dialog that another program opened. It waits for a visible
// dialog window (class #32770) of the program whose image file is named by the first argument,
// then:
//   dialog_driver app.exe cancel              presses Cancel
//   dialog_driver app.exe file C:\x\y.txt     types the path into the file name box, presses OK
//                                            (and prints the labels of the file-type list)
//   dialog_driver app.exe folder C:\x         selects the folder in the folder browser, presses OK
//   dialog_driver app.exe font Tahoma         picks the face in the font list, presses OK
// and waits until the dialog is gone, answering Yes to a confirmation the dialog raises on the
// way (a save dialog asking to replace a file). Prints what it did; exits 0 when the dialog
// closed, 1 when no dialog came within 45 s or it would not close, 2 on wrong arguments.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "base/utf8.h"

namespace {

constexpr DWORD kWaitLimitMs = 45000;  // a loaded machine can take long to start the program
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kFileTypeCombo = 0x470;  // cmb1
constexpr int kFontFaceCombo = 0x470;  // cmb1
constexpr int kFontSizeCombo = 0x472;  // cmb3

struct Search {
  const wchar_t* imageName;
  HWND except;
  HWND found;
};

bool IsOfProgram(HWND window, const wchar_t* imageName) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return false;
  wchar_t path[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  const bool named = QueryFullProcessImageNameW(process, 0, path, &size) != 0;
  CloseHandle(process);
  if (!named) return false;
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  return lstrcmpiW(slash ? slash + 1 : path, imageName) == 0;
}

BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (window == search->except || std::wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (!IsOfProgram(window, search->imageName)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindDialog(const wchar_t* imageName, HWND except, DWORD limitMs) {
  const DWORD start = GetTickCount();
  do {
    Search search{imageName, except, nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < limitMs);
  return nullptr;
}

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Window texts and arguments hold no zero characters; the conversion ends at the first one.
std::string Utf8(const std::wstring& wide) { return text::WideToUtf8(wide.c_str()); }

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// A copy of text inside the dialog's process, for messages whose string the system does not
// carry across processes (the folder browser's own messages).
class RemoteText {
 public:
  RemoteText(HWND window, const std::wstring& text) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
    if (!process_) return;
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    address_ = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (address_ && !WriteProcessMemory(process_, address_, text.c_str(), bytes, nullptr)) address_ = nullptr;
  }
  ~RemoteText() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  LPARAM value() const { return reinterpret_cast<LPARAM>(address_); }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
};

// The labels of the file-type list, joined by "|".
std::wstring FileTypes(HWND dialog) {
  const HWND types = GetDlgItem(dialog, kFileTypeCombo);
  std::wstring joined;
  const LRESULT count = types ? SendMessageW(types, CB_GETCOUNT, 0, 0) : 0;
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t label[512] = {};
    if (SendMessageW(types, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 512) continue;
    SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(label));
    joined += (i ? L"|" : L"") + std::wstring(label);
  }
  return joined;
}

bool TypeFileName(HWND dialog, const std::wstring& path) {
  std::printf("types %s\n", Utf8(FileTypes(dialog)).c_str());
  HWND box = GetDlgItem(dialog, kFileNameCombo);
  if (!box) box = GetDlgItem(dialog, kFileNameEdit);
  if (!box) return false;
  SetWindowTextW(box, path.c_str());
  std::printf("typed %s\n", Utf8(TextOf(box)).c_str());
  return true;
}

// The browser may be shown before it has filled its tree, and filling it selects the root
// again, so the selection is repeated until it stays away from the root.
bool SelectFolder(HWND dialog, const std::wstring& path) {
  const RemoteText remote(dialog, path);
  if (!remote.value()) return false;
  const HWND tree = FindWindowExW(dialog, nullptr, L"SysTreeView32", nullptr);
  for (int attempt = 0; attempt < 50; ++attempt) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, remote.value());
    Sleep(100);
    if (!tree) return true;
    const LRESULT selected = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    const LRESULT root = SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (selected && selected != root) return true;
  }
  return false;
}

// Combo-box string messages are carried across processes by the system, so they take texts
// of this process.
bool SelectFont(HWND dialog, const std::wstring& face) {
  const HWND faces = GetDlgItem(dialog, kFontFaceCombo);
  if (!faces) return false;
  const LRESULT index =
      SendMessageW(faces, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(face.c_str()));
  if (index == CB_ERR) return false;
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFontFaceCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
  // A face without a chosen size is refused; take the first size offered.
  const HWND sizes = GetDlgItem(dialog, kFontSizeCombo);
  if (sizes && SendMessageW(sizes, CB_GETCURSEL, 0, 0) == CB_ERR && SendMessageW(sizes, CB_GETCOUNT, 0, 0) > 0) {
    SendMessageW(sizes, CB_SETCURSEL, 0, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFontSizeCombo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
  }
  const LRESULT current = SendMessageW(faces, CB_GETCURSEL, 0, 0);
  wchar_t item[LF_FACESIZE * 2] = {};
  if (SendMessageW(faces, CB_GETLBTEXTLEN, static_cast<WPARAM>(current), 0) < LF_FACESIZE * 2)
    SendMessageW(faces, CB_GETLBTEXT, static_cast<WPARAM>(current), reinterpret_cast<LPARAM>(item));
  std::printf("selected %s\n", Utf8(item).c_str());
  return true;
}

// Waits until dialog is gone; a confirmation box the program raises meanwhile is answered Yes.
bool WaitUntilClosed(HWND dialog, const wchar_t* imageName) {
  const DWORD start = GetTickCount();
  while (IsWindow(dialog)) {
    if (GetTickCount() - start > kWaitLimitMs) return false;
    if (const HWND other = FindDialog(imageName, dialog, 0)) {
      if (GetWindow(other, GW_OWNER) == dialog) {
        std::puts("confirmed");
        Press(other, IDYES);
      }
    }
    Sleep(50);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const wchar_t* imageName = argv[1];
  const std::wstring action = argv[2];
  const std::wstring text = argc > 3 ? argv[3] : L"";
  const HWND dialog = FindDialog(imageName, nullptr, kWaitLimitMs);
  if (!dialog) {
    std::puts("no dialog");
    return 1;
  }
  std::printf("found %s\n", Utf8(TextOf(dialog)).c_str());
  // A dialog can be visible before it has finished setting itself up; answer it once its
  // program waits for input.
  DWORD id = 0;
  GetWindowThreadProcessId(dialog, &id);
  if (const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id)) {
    WaitForInputIdle(process, 5000);
    CloseHandle(process);
  }
  bool answered = true;
  if (action == L"file") answered = TypeFileName(dialog, text);
  else if (action == L"folder") answered = SelectFolder(dialog, text);
  else if (action == L"font") answered = SelectFont(dialog, text);
  else if (action != L"cancel") return 2;
  if (!answered) std::puts("could not answer; cancelling");
  Press(dialog, action == L"cancel" || !answered ? IDCANCEL : IDOK);
  if (!WaitUntilClosed(dialog, imageName)) {
    std::puts("dialog stayed open");
    return 1;
  }
  std::puts("closed");
  return answered ? 0 : 1;
}
