/* Counts the entry-point calls the test libraries report, by reason (DLL_PROCESS_ATTACH etc.). */
static int counts[4];

__declspec(dllexport) void probe_record(int reason) {
  if (reason >= 0 && reason < 4) ++counts[reason];
}

__declspec(dllexport) int probe_count(int reason) { return (reason >= 0 && reason < 4) ? counts[reason] : -1; }

__declspec(dllexport) void probe_reset(void) {
  for (int i = 0; i < 4; ++i) counts[i] = 0;
}
