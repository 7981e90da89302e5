// Test helper: starts a program with an exact command line, which wine's own argument quoting
// would otherwise rewrite. The command line comes from WEBSHELL_SPAWN_COMMAND_LINE; the
// optional argument is a time limit in milliseconds (default 30000). Prints "exit N" or
// "timeout" and returns the child's exit code (124 on timeout, 125 when it cannot start).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  const DWORD limit = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 30000;
  const DWORD needed = GetEnvironmentVariableW(L"WEBSHELL_SPAWN_COMMAND_LINE", nullptr, 0);
  if (needed == 0) {
    std::fputs("spawn: WEBSHELL_SPAWN_COMMAND_LINE is not set\n", stderr);
    return 125;
  }
  std::vector<wchar_t> commandLine(needed + 1, L'\0');
  GetEnvironmentVariableW(L"WEBSHELL_SPAWN_COMMAND_LINE", commandLine.data(), needed);
  SetEnvironmentVariableW(L"WEBSHELL_SPAWN_COMMAND_LINE", nullptr);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::printf("cannot start: error %lu\n", static_cast<unsigned long>(GetLastError()));
    return 125;
  }
  CloseHandle(process.hThread);
  if (WaitForSingleObject(process.hProcess, limit) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 124);
    CloseHandle(process.hProcess);
    std::puts("timeout");
    return 124;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  std::printf("exit %lu\n", static_cast<unsigned long>(code));
  return static_cast<int>(code);
}
