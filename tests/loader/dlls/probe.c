/* Counts the entry-point calls the test libraries report, by reason (DLL_PROCESS_ATTACH etc.),
   and keeps the events they note in the order they came. */
static int counts[4];
static int notes[32];
static int noteCount;

__declspec(dllexport) void probe_record(int reason) {
  if (reason >= 0 && reason < 4) ++counts[reason];
}

__declspec(dllexport) int probe_count(int reason) { return (reason >= 0 && reason < 4) ? counts[reason] : -1; }

__declspec(dllexport) void probe_note(int event) {
  if (noteCount < (int)(sizeof notes / sizeof *notes)) notes[noteCount++] = event;
}

/* Copies up to `capacity` notes to `out` and returns how many there are. */
__declspec(dllexport) int probe_notes(int* out, int capacity) {
  for (int i = 0; i < noteCount && i < capacity; ++i) out[i] = notes[i];
  return noteCount;
}

__declspec(dllexport) void probe_reset(void) {
  for (int i = 0; i < 4; ++i) counts[i] = 0;
  noteCount = 0;
}
