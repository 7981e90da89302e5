// DownloadKernel.dll: the library the host loads before the updater and keeps loaded. Our
// updater carries its download code itself, so this one only answers its version.
#include <windows.h>

extern "C" __declspec(dllexport) const char* __cdecl DownloadKernel_Version() { return "1"; }
