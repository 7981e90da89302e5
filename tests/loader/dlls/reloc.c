/* Linked at a fixed preferred base; its data holds addresses the loader must shift when the
   image lands elsewhere, and numbers that only look like addresses, which it must not touch. */
#include <stdint.h>

static int counter = 7;
static const char alpha[] = "alpha";
static const char beta[] = "beta";

__declspec(dllexport) int reloc_counter_value(void) { return counter; }
__declspec(dllexport) void reloc_counter_add(int amount) { counter += amount; }

__declspec(dllexport) int* const reloc_counter_address = &counter;
__declspec(dllexport) const char* reloc_names[3] = {alpha, beta, 0};
__declspec(dllexport) int (*const reloc_function)(void) = reloc_counter_value;
/* The preferred base plus offsets: equal to addresses in the image, but plain numbers. */
__declspec(dllexport) const uintptr_t reloc_plain[2] = {LOADER_RELOC_BASE + 0x1000u, LOADER_RELOC_BASE + 0x2000u};
