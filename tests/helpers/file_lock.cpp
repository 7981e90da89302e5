// Test helper: holds a file open with no sharing, so nobody else can open it, for a while.
//   file_lock <path> <milliseconds> <ready-file>
// Creates ready-file once the lock is held; exit code 1 when the file cannot be opened.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) return 2;
  const HANDLE file =
      CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const HANDLE ready = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  CloseHandle(file);
  return 0;
}
