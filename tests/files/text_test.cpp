// UTF-8 text files: the byte-order mark on reading and writing, and failed writes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "services/file_text.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

std::vector<std::wstring> NamesIn(const std::filesystem::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(TextContent, SkipsTheMarkAndEndsAtTheFirstZero) {
  EXPECT_EQ(files::TextOfContent("\xEF\xBB\xBF"
                                 "a"),
            "a");
  EXPECT_EQ(files::TextOfContent("\xEF\xBB\xBF"), "");
  EXPECT_EQ(files::TextOfContent(""), "");
  EXPECT_EQ(files::TextOfContent("\xEF\xBB"), "\xEF\xBB");
  EXPECT_EQ(files::TextOfContent("plain"), "plain");
  EXPECT_EQ(files::TextOfContent(std::string_view("ab\0cd", 5)), "ab");
  EXPECT_EQ(files::TextOfContent("\xEF\xBB\xBF\xEF\xBB\xBF"
                                 "x"),
            "\xEF\xBB\xBF"
            "x");
}

TEST(WriteText, WritesTheMarkThenTheTextAndReplacesOldContent) {
  const TempFolder temp;
  const std::wstring path = temp / L"a\\b\\c.txt";
  EXPECT_EQ(files::WriteUtf8Text(path, "abc"), 6);
  EXPECT_EQ(ReadBytes(path),
            "\xEF\xBB\xBF"
            "abc");
  EXPECT_EQ(files::WriteUtf8Text(path, "\xC3\xA9"), 5);
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF\xC3\xA9");
  EXPECT_EQ(files::WriteUtf8Text(path, ""), 3);
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF");
}

TEST(WriteText, ReadOnlyFileIsReplacedToo) {
  const TempFolder temp;
  const std::wstring path = temp / L"locked.txt";
  WriteBytes(path, "old");
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(files::WriteUtf8Text(path, "new"), 6);
  EXPECT_EQ(ReadBytes(path),
            "\xEF\xBB\xBF"
            "new");
  EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::wstring>{L"locked.txt"}));
}

TEST(WriteText, FailureIsMinusOneNotAHugeCount) {
  const TempFolder temp;
  CreateDirectoryW((temp / L"folder").c_str(), nullptr);
  EXPECT_EQ(files::WriteUtf8Text(temp / L"folder", "abc"), -1);

  // The file held open without sharing makes both writes fail.
  const std::wstring busy = temp / L"busy.txt";
  WriteBytes(busy, "keep");
  const HANDLE holder = CreateFileW(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(files::WriteUtf8Text(busy, "abc"), -1);
  CloseHandle(holder);
  EXPECT_EQ(ReadBytes(busy), "keep");
  // Nothing is left behind beside the files.
  EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::wstring>{L"busy.txt", L"folder"}));
  EXPECT_EQ(files::WriteUtf8Text(busy, "abc"), 6);
  EXPECT_EQ(ReadBytes(busy),
            "\xEF\xBB\xBF"
            "abc");
}

TEST(WriteText, OthersSeeTheOldContentOrTheNewNeverAPart) {
  const TempFolder temp;
  const std::wstring path = temp / L"watched.txt";
  const std::string first(300000, 'a');
  const std::string second(200000, 'b');
  ASSERT_EQ(files::WriteUtf8Text(path, first), 300003);
  std::atomic<bool> writing{true};
  std::atomic<int> looks{0};
  std::set<ULONGLONG> sizes;
  std::thread watcher([&] {
    while (writing) {
      WIN32_FILE_ATTRIBUTE_DATA data{};
      if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        sizes.insert((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
      else sizes.insert(~0ULL);  // missing
      ++looks;
    }
  });
  while (looks == 0) Sleep(1);
  for (int round = 0; round < 30; ++round)
    EXPECT_EQ(files::WriteUtf8Text(path, round % 2 ? first : second), round % 2 ? 300003 : 200003);
  writing = false;
  watcher.join();
  // Only whole sizes: never a missing, empty or partly written file.
  for (const ULONGLONG size : sizes) EXPECT_TRUE(size == 200003 || size == 300003) << "seen size " << size;
  EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF" + first);
  EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::wstring>{L"watched.txt"}));
}

}  // namespace
