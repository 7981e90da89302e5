// Test helper: a child program that sleeps a given number of milliseconds and then exits with
// a given code. "sleeper 2000 7" runs about two seconds and ends with exit code 7. With a third
// argument it first writes its process id and, on the next line, its command line (UTF-8) into
// that file, so a test can see that it ran and look for its process afterwards.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 0;
  const int code = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;
  if (argc > 3) {
    const wchar_t* commandLine = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, utf8.data(), size, nullptr, nullptr);
    utf8 = std::to_string(GetCurrentProcessId()) + "\n" + utf8.c_str();
    const HANDLE file = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, utf8.data(), static_cast<DWORD>(std::strlen(utf8.c_str())), &written, nullptr);
      CloseHandle(file);
    }
  }
  Sleep(milliseconds);
  return code;
}
