// The breadth-first walk behind GetFileList and the time conversion of its entries.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>

#include "services/file_list.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::TempFolder;
using test_support::WriteBytes;

int Depth(const std::wstring& path, const std::wstring& root) {
  return static_cast<int>(std::count(path.begin() + static_cast<std::ptrdiff_t>(root.size()), path.end(), L'\\'));
}

class FileTree : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW((temp / L"sub").c_str(), nullptr);
    CreateDirectoryW((temp / L"sub\\deeper").c_str(), nullptr);
    CreateDirectoryW((temp / L"more.txt").c_str(), nullptr);
    WriteBytes(temp / L"a.txt", "12345");
    WriteBytes(temp / L"b.log", "");
    WriteBytes(temp / L"sub\\c.txt", "");
    WriteBytes(temp / L"sub\\deeper\\d.txt", "");
    WriteBytes(temp / L"more.txt\\e.txt", "");
  }
  TempFolder temp;
};

TEST_F(FileTree, DefaultPatternListsEverythingBreadthFirst) {
  const auto entries = files::ListTree(temp.path(), L"*.*");
  std::map<std::wstring, const files::FoundEntry*> byPath;
  for (const auto& entry : entries) byPath[entry.path] = &entry;
  const std::wstring expected[] = {L"a.txt",
                                   L"b.log",
                                   L"sub",
                                   L"more.txt",
                                   L"sub\\c.txt",
                                   L"sub\\deeper",
                                   L"more.txt\\e.txt",
                                   L"sub\\deeper\\d.txt"};
  EXPECT_EQ(entries.size(), std::size(expected));
  for (const auto& name : expected) EXPECT_TRUE(byPath.count(temp / name)) << std::string(name.begin(), name.end());
  for (size_t i = 1; i < entries.size(); ++i)
    EXPECT_LE(Depth(entries[i - 1].path, temp.path()), Depth(entries[i].path, temp.path()));
  ASSERT_TRUE(byPath.count(temp / L"a.txt"));
  EXPECT_EQ(byPath[temp / L"a.txt"]->find.nFileSizeLow, 5u);
  EXPECT_TRUE(byPath[temp / L"sub"]->find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileTree, PatternAppliesToFoldersAndForwardSlashesBecomeBackslashes) {
  std::wstring root = temp.path();
  std::replace(root.begin(), root.end(), L'\\', L'/');
  const auto entries = files::ListTree(root, L"*.txt");
  std::vector<std::wstring> paths;
  for (const auto& entry : entries) paths.push_back(entry.path);
  std::sort(paths.begin(), paths.end());
  const std::vector<std::wstring> expected = {temp / L"a.txt", temp / L"more.txt", temp / L"more.txt\\e.txt"};
  EXPECT_EQ(paths, expected);
}

TEST(ListTree, MissingRootGivesNothing) { EXPECT_TRUE(files::ListTree(L"Z:\\no\\such\\folder", L"*.*").empty()); }

TEST(UnixSeconds, CountsWholeSecondsFrom1970) {
  EXPECT_EQ(files::UnixSeconds(FILETIME{0xD53E8000u, 0x019DB1DEu}), 0u);
  const uint64_t later = 116444736000000000ULL + 1500000000ULL * 10000000ULL + 9999999ULL;
  EXPECT_EQ(files::UnixSeconds(FILETIME{static_cast<DWORD>(later), static_cast<DWORD>(later >> 32)}), 1500000000u);
}

}  // namespace
