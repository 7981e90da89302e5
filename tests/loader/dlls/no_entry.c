/* No entry point: AddressOfEntryPoint is 0. Imports one function so that freeing has a library
   to release. */
void probe_record(int reason);

__declspec(dllexport) int no_entry_answer(void) { return 42; }
__declspec(dllexport) void no_entry_report(int reason) { probe_record(reason); }
