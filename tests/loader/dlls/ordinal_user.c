/* Imports provider_add by ordinal only, provider_scale and probe_record by name. Its data holds
   addresses (relocations), and it has no entry point. */
int provider_add(int a, int b);
int provider_scale(int a, int b);
void probe_record(int reason);

static int (*const operations[2])(int, int) = {provider_add, provider_scale};

__declspec(dllexport) int user_combine(int a, int b) { return operations[0](a, b) * 100 + operations[1](a, b); }

__declspec(dllexport) void user_report(int reason) { probe_record(reason); }
