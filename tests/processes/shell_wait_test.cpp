// The shell-execution wait of ShellExecuteEx: it returns when the program has ended, at once
// when nothing could be started, and leaves no process handle behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/process_shell.h"

namespace {

// The sleeper helper is built next to the folder of this test program.
std::wstring Sleeper() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.rfind(L'\\'));
  folder.resize(folder.rfind(L'\\'));
  return folder + L"\\sleeper.exe";
}

// The number of handles this process holds, from the system's handle table (class 16).
int OwnHandleCount() {
  struct Entry {
    ULONG processId;
    UCHAR type;
    UCHAR flags;
    USHORT handle;
    void* object;
    ACCESS_MASK access;
  };
  struct Table {
    ULONG count;
    Entry entries[1];
  };
  using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<char> buffer(8u << 20);
  ULONG length = 0;
  if (query(16, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) return -1;
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  int count = 0;
  for (ULONG i = 0; i < table->count; ++i) count += table->entries[i].processId == GetCurrentProcessId() ? 1 : 0;
  return count;
}

TEST(ShellWait, ReturnsAfterTheProgramEndedAndClosesItsHandle) {
  const std::wstring sleeper = Sleeper();
  ASSERT_NE(GetFileAttributesW(sleeper.c_str()), INVALID_FILE_ATTRIBUTES);
  processes::ExecuteAndWait(L"open", sleeper, L"0 0", L"", SW_HIDE);  // the first run loads the shell's parts
  const int before = OwnHandleCount();
  ASSERT_GT(before, 0);
  for (int i = 0; i < 4; ++i) {
    const DWORD start = GetTickCount();
    processes::ExecuteAndWait(L"open", sleeper, L"200 0", L"", SW_HIDE);
    EXPECT_GE(GetTickCount() - start, 150u);
  }
  // A leak leaves one process handle behind per run.
  EXPECT_LT(OwnHandleCount(), before + 4);
}

TEST(ShellWait, MissingProgramReturnsAtOnce) {
  const DWORD start = GetTickCount();
  processes::ExecuteAndWait(L"open", L"Z:\\no\\such\\program.exe", L"", L"", SW_HIDE);
  EXPECT_LT(GetTickCount() - start, 5000u);
}

}  // namespace
