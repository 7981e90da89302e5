/* Zero-initialised data lands in .bss, a section without raw data in the file. */
static unsigned char zeros[4096 * 3 + 100];

__declspec(dllexport) unsigned bss_sum(void) {
  unsigned sum = 0;
  for (unsigned i = 0; i < sizeof zeros; ++i) sum += zeros[i];
  return sum;
}

__declspec(dllexport) void bss_fill(unsigned char value) {
  for (unsigned i = 0; i < sizeof zeros; ++i) zeros[i] = value;
}

__declspec(dllexport) unsigned char* bss_address(void) { return zeros; }
