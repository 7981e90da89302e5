// Test helper: loads a shell shortcut (.lnk) through the platform and prints what it points
// at, one "name=value" line each: path, arguments, folder, icon (path,index). Exits 1 when the
// shortcut cannot be loaded.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "base/utf8.h"

namespace {

void Print(const char* name, const wchar_t* value) { std::printf("%s=%s\n", name, text::WideToUtf8(value).c_str()); }

int Read(const wchar_t* path) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return 1;
  IPersistFile* file = nullptr;
  int status = 1;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path, STGM_READ))) {
    wchar_t text[MAX_PATH * 4] = {};
    WIN32_FIND_DATAW find{};
    link->GetPath(text, MAX_PATH * 4, &find, SLGP_RAWPATH);
    Print("path", text);
    text[0] = L'\0';
    link->GetArguments(text, MAX_PATH * 4);
    Print("arguments", text);
    text[0] = L'\0';
    link->GetWorkingDirectory(text, MAX_PATH * 4);
    Print("folder", text);
    text[0] = L'\0';
    int index = 0;
    link->GetIconLocation(text, MAX_PATH * 4, &index);
    Print("icon", (std::wstring(text) + L"," + std::to_wstring(index)).c_str());
    status = 0;
  }
  if (file) file->Release();
  link->Release();
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  CoInitialize(nullptr);
  const int status = Read(argv[1]);
  CoUninitialize();
  return status;
}
