/* Imports provider_add by ordinal only, provider_scale and probe_record by name. Its data holds
   addresses (relocations), and it has no entry point. */
int provider_add(int a, int b);
int provider_scale(int a, int b);
void probe_record(int reason);

/* Exported, so that the compiler cannot fold the calls through it: the table stays in the image's
   data, holding the addresses the loader relocates. */
__declspec(dllexport) int (*user_operations[2])(int, int) = {provider_add, provider_scale};

__declspec(dllexport) int user_combine(int a, int b) {
  return user_operations[0](a, b) * 100 + user_operations[1](a, b);
}

__declspec(dllexport) void user_report(int reason) { probe_record(reason); }
