#include "trace.h"

#include <windows.h>

#include <cstdio>

#include "win_handles.h"

namespace trace {
namespace {

struct State {
  bool checked = false;
  win::FileHandle file;
  ULONGLONG created = 0;  // 100 ns units
};

State& Get() noexcept {
  static State state;
  if (state.checked) return state;
  state.checked = true;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"WEBSHELL_TRACE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return state;
  // Appending with FILE_APPEND_DATA keeps each line whole when the engine's copy writes too.
  state.file.reset(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user))
    state.created = (static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  return state;
}

void Write(const char* what, const long long* number) noexcept {
  State& state = Get();
  if (!state.file) return;
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const double ms = ticks > state.created ? static_cast<double>(ticks - state.created) / 10000.0 : 0.0;
  char line[320];
  const int size = number ? std::snprintf(line, sizeof line, "%10.2f ms  %s %lld\n", ms, what, *number)
                          : std::snprintf(line, sizeof line, "%10.2f ms  %s\n", ms, what);
  if (size <= 0) return;
  DWORD written = 0;
  WriteFile(state.file.get(), line, static_cast<DWORD>(size < static_cast<int>(sizeof line) ? size : sizeof line - 1),
            &written, nullptr);
}

}  // namespace

bool On() noexcept { return static_cast<bool>(Get().file); }

void Step(const char* what) noexcept { Write(what, nullptr); }

void Step(const char* what, long long number) noexcept { Write(what, &number); }

}  // namespace trace
