// Test helper: a child program that sleeps a given number of milliseconds and then exits with
// a given code. "sleeper 2000 7" runs about two seconds and ends with exit code 7. With a third
// argument it first writes its command line into that file (UTF-8), so a test can see that it
// ran; a fourth argument names an environment variable whose value it writes on a second line
// ("(unset)" when the variable is missing).
#include <windows.h>

#include <cwchar>
#include <string>

#include "base/utf8.h"

namespace {

// Window texts and arguments hold no zero characters; the conversion ends at the first one.
std::string Utf8(const std::wstring& wide) { return text::WideToUtf8(wide.c_str()); }

std::wstring Variable(const wchar_t* name) {
  const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) return L"(unset)";
  std::wstring value(needed, L'\0');
  GetEnvironmentVariableW(name, value.data(), needed);
  return value.c_str();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const DWORD milliseconds = argc > 1 ? static_cast<DWORD>(std::wcstoul(argv[1], nullptr, 10)) : 0;
  const int code = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;
  if (argc > 3) {
    std::string report = Utf8(GetCommandLineW());
    if (argc > 4) {
      report.push_back('\n');
      report.append(Utf8(Variable(argv[4])));
    }
    const HANDLE file = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  Sleep(milliseconds);
  return code;
}
