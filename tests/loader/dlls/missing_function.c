/* Imports probe_record, which loader_probe.dll has, and probe_vanished, which it lacks. */
void probe_record(int reason);
void probe_vanished(void);

__declspec(dllexport) void missing_function_use(void) {
  probe_record(0);
  probe_vanished();
}
