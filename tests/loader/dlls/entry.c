/* An entry point that reports every call to the probe library and accepts the attach. */
#include <windows.h>

void probe_record(int reason);

static int attached;

BOOL WINAPI loader_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  probe_record((int)reason);
  if (reason == DLL_PROCESS_ATTACH) attached = 1;
  return TRUE;
}

__declspec(dllexport) int entry_attached(void) { return attached; }
