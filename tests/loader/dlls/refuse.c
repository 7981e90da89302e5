/* An entry point that reports every call to the probe library and refuses the attach. */
#include <windows.h>

void probe_record(int reason);

BOOL WINAPI loader_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  probe_record((int)reason);
  return reason != DLL_PROCESS_ATTACH;
}

__declspec(dllexport) int refuse_unused(void) { return 0; }
