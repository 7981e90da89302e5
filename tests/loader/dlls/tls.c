/* A TLS callback of its own beside the C run-time's, and an entry point. Both note each call in
   the probe's log: 100 + reason from the callback, 200 + reason from the entry point. */
#include <windows.h>

void probe_note(int event);

/* The run-time's TLS index slot, which the loader fills. */
extern ULONG _tls_index;

static ULONG indexSeenByCallback = 0xFFFFFFFFu;

static void NTAPI tls_note(PVOID instance, DWORD reason, PVOID reserved) {
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) indexSeenByCallback = _tls_index;
  probe_note(100 + (int)reason);
}

/* The run-time's TLS directory lists every callback placed in a .CRT$XL? section, by name. */
__attribute__((section(".CRT$XLB"), used)) PIMAGE_TLS_CALLBACK tls_note_callback = tls_note;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  probe_note(200 + (int)reason);
  return TRUE;
}

__declspec(dllexport) ULONG tls_index_value(void) { return _tls_index; }
__declspec(dllexport) ULONG tls_index_seen_by_callback(void) { return indexSeenByCallback; }
