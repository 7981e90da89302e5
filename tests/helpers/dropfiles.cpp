// Test helper: drops files onto a window the way the shell does, by posting WM_DROPFILES with a
// DROPFILES block.
//   dropfiles <window title> <path>...     the window is a web-view window with that title
// Exits 0 when the message was posted, 1 when no such window appeared within 20 s.
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND window = nullptr;
  for (int waited = 0; !window && waited < 20000; waited += 50) {
    window = FindWindowW(L"VELQ___engine_v1 wke", argv[1]);
    if (!window) Sleep(50);
  }
  if (!window) return 1;
  std::wstring list;
  for (int i = 2; i < argc; ++i) {
    list += argv[i];
    list.push_back(L'\0');
  }
  list.push_back(L'\0');
  std::string block(sizeof(DROPFILES) + list.size() * sizeof(wchar_t), '\0');
  auto* drop = reinterpret_cast<DROPFILES*>(block.data());
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(block.data() + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  // A drop handle is only meaningful inside the process that receives it: a fixed global block
  // is its own address, so the block is written into the window's process and that address sent.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return 1;
  void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  const bool written = remote && WriteProcessMemory(process, remote, block.data(), block.size(), nullptr);
  CloseHandle(process);
  if (!written) return 1;
  return PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) ? 0 : 1;
}
