// Test helper: drops files onto a window the way the shell does, by posting WM_DROPFILES with a
// DROPFILES block in movable global memory (Wine carries it across processes).
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
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(block);
  return PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0) ? 0 : 1;
}
