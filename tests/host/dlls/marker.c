/* A library that leaves "<its own path>.loaded" beside itself when a process loads it, and
   answers GetHWID with a text no real machine gives. Copied to where the program must not look
   for its plug-ins, it shows whether the program loaded it anyway. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      lstrcpyW(path + length, L".loaded");
      HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  return TRUE;
}

__declspec(dllexport) const char* GetHWID(void) { return "MARKER"; }

__declspec(dllexport) int s13_init(void) { return 0; }
