/* Imports from loader_probe.dll, which exists, and from loader_absent.dll, which does not. */
void probe_record(int reason);
void absent_function(void);

__declspec(dllexport) void missing_dll_use(void) {
  probe_record(0);
  absent_function();
}
