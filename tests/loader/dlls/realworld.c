/* A library with the ordinary C run-time start-up: its entry point initialises the run-time and
   runs constructors, and its code calls into msvcrt and kernel32. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int constructed;

__attribute__((constructor)) static void realworld_construct(void) { constructed = 0x5eed; }

__declspec(dllexport) int realworld_constructed(void) { return constructed; }

__declspec(dllexport) int realworld_format(char* out, int size, int value) {
  return snprintf(out, (size_t)size, "value=%d hex=%x", value, (unsigned)value);
}

static int compare(const void* a, const void* b) {
  const int x = *(const int*)a, y = *(const int*)b;
  return (x > y) - (x < y);
}

__declspec(dllexport) void realworld_sort(int* values, int count) {
  qsort(values, (size_t)count, sizeof *values, compare);
}

/* Copies text into a block from malloc and upper-cases it through the Win32 API; the caller
   releases it with realworld_release. */
__declspec(dllexport) char* realworld_upper(const char* text) {
  const size_t length = strlen(text);
  char* copy = malloc(length + 1);
  if (!copy) return NULL;
  memcpy(copy, text, length + 1);
  CharUpperBuffA(copy, (DWORD)length);
  return copy;
}

__declspec(dllexport) void realworld_release(char* block) { free(block); }

__declspec(dllexport) DWORD realworld_process_id(void) { return GetCurrentProcessId(); }
