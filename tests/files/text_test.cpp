// UTF-8 text files: the byte-order mark on reading and writing, and failed writes.
#include <gtest/gtest.h>

#include <windows.h>

#include "services/file_text.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

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
}

}  // namespace
