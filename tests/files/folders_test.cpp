// Creating the folders a file path needs.
#include <gtest/gtest.h>

#include <windows.h>

#include "services/file_folders.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::IsFolder;
using test_support::TempFolder;

TEST(ParentFolders, CreatesEveryMissingLevel) {
  const TempFolder temp;
  EXPECT_TRUE(files::CreateParentFolders(temp / L"a\\b\\c.txt"));
  EXPECT_TRUE(IsFolder(temp / L"a"));
  EXPECT_TRUE(IsFolder(temp / L"a\\b"));
  EXPECT_FALSE(IsFolder(temp / L"a\\b\\c.txt"));
}

TEST(ParentFolders, ForwardSlashesCountAsBackslashes) {
  const TempFolder temp;
  std::wstring path = temp / L"x/y/z.txt";
  files::CreateParentFolders(path);
  EXPECT_TRUE(IsFolder(temp / L"x\\y"));
}

TEST(ParentFolders, ExistingFolderIsReportedButHarmless) {
  const TempFolder temp;
  EXPECT_FALSE(files::CreateParentFolders(temp / L"file.txt"));
  EXPECT_TRUE(IsFolder(temp.path()));
}

TEST(ParentFolders, PathWithoutBackslashCreatesNothing) { EXPECT_FALSE(files::CreateParentFolders(L"plainname.txt")); }

}  // namespace
