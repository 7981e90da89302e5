// Test helper: loads a plug-in library and prints the text one of its exports returns.
//   plugin_call <library> <export>    the export is called as const char* __cdecl (void);
//                                     prints its text, or "missing" (exit code 1)
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: plugin_call <library> <export>\n", stderr);
    return 2;
  }
  char name[256] = {};
  WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, name, sizeof name - 1, nullptr, nullptr);
  HMODULE library = LoadLibraryW(argv[1]);
  using Export = const char*(__cdecl*)();
  auto function = library ? reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
  if (!function) return std::puts("missing"), 1;
  const char* text = function();
  std::printf("%s\n", text ? text : "");
  FreeLibrary(library);
  return 0;
}
