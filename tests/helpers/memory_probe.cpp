// Test helper: prints how much private memory another process has committed.
//   memory_probe <pid>   prints "private N" (bytes); exit code 1 when the process cannot be read
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const auto pid = static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10));
  const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) return 1;
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  const BOOL read =
      GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  CloseHandle(process);
  if (!read) return 1;
  // The commit charge: Wine leaves PrivateUsage at 0 for other processes, and on Windows the
  // two are the same figure.
  std::printf("private %llu\n", static_cast<unsigned long long>(counters.PagefileUsage));
  return 0;
}
