// Test helper: looks at or ends another process, as a user's task manager would.
//   process_tool memory <pid>   prints "private N", the bytes of memory the process has
//                               committed; exit code 1 when the process cannot be read
//   process_tool kill <image>   ends every process running the program file image (a full
//                               path) at once, as a crash or power cut would; exit code 1 when
//                               none was ended. Found by its file, never by a process number:
//                               a number may already belong to another program.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

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

int Kill(const wchar_t* image) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 1;
  int ended = 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (!process) continue;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (QueryFullProcessImageNameW(process, 0, path, &length) && _wcsicmp(path, image) == 0 &&
        TerminateProcess(process, 9) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0)
      ++ended;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return ended > 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  if (std::wcscmp(argv[1], L"memory") == 0) return Memory(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (std::wcscmp(argv[1], L"kill") == 0) return Kill(argv[2]);
  return 2;
}
