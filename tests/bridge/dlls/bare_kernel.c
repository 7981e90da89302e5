/* A bare DownloadKernel.dll for the bridge tests: exports nothing the host calls and writes to
 * the file BARE_UPDATER_LOG names when it is loaded and unloaded. */
#include <windows.h>
#include <stdio.h>

static void Log(const char* line) {
  char path[MAX_PATH] = {0};
  FILE* file;
  if (!GetEnvironmentVariableA("BARE_UPDATER_LOG", path, MAX_PATH)) return;
  file = fopen(path, "ab");
  if (!file) return;
  fprintf(file, "%s\n", line);
  fclose(file);
}

__declspec(dllexport) int __cdecl DownloadKernel_Version(void) { return 1; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  if (reason == DLL_PROCESS_ATTACH) Log("kernel loaded");
  if (reason == DLL_PROCESS_DETACH) Log(reserved ? "kernel detach at exit" : "kernel unloaded");
  return TRUE;
}
