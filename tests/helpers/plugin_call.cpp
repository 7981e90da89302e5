// Test helper: loads a plug-in library and prints the text one of its exports returns.
//   plugin_call <library> <export>    the export is called as const char* __cdecl (void);
//                                     prints its text, or "missing" (exit code 1)
#include <windows.h>

#include <cstdio>

#include "base/utf8.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: plugin_call <library> <export>\n", stderr);
    return 2;
  }
  const std::string name = text::WideToUtf8(argv[2]);
  HMODULE library = LoadLibraryW(argv[1]);
  using Export = const char*(__cdecl*)();
  auto function =
      library ? reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(library, name.c_str()))) : nullptr;
  if (!function) return std::puts("missing"), 1;
  const char* text = function();
  std::printf("%s\n", text ? text : "");
  FreeLibrary(library);
  return 0;
}
