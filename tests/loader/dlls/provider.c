/* Exports one function by ordinal only and one by name as well (see provider.def). */
int provider_add(int a, int b) { return a + b; }
int provider_scale(int a, int b) { return a * b; }
