// Test helper: looks at or ends another process, as a user's task manager would.
//   process_tool memory <pid>   prints "private N", the bytes of memory the process has
//                               committed; exit code 1 when the process cannot be read
//   process_tool kill <pid>     ends the process at once, as a crash or power cut would; exit
//                               code 1 when it cannot be ended
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

namespace {

int Memory(DWORD pid) {
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

int Kill(DWORD pid) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!process) return 1;
  const BOOL ended = TerminateProcess(process, 9) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const auto pid = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
  if (std::wcscmp(argv[1], L"memory") == 0) return Memory(pid);
  if (std::wcscmp(argv[1], L"kill") == 0) return Kill(pid);
  return 2;
}
