// The process-wide search list: where added paths go and how lookups walk it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "host/package.h"
#include "package_fixtures.h"

namespace {

using package_test::Expected;
using package_test::PackagePath;
using package_test::ReadAll;
using package_test::ScratchDir;
using package_test::WriteBytes;

std::ptrdiff_t PositionOf(const std::vector<std::wstring>& list, const std::wstring& path) {
  return std::find(list.begin(), list.end(), path) - list.begin();
}

// The list only grows and lives as long as the process. Each test starts its own process under
// CTest; the tests put what they rely on at the front, so they also hold when the whole
// program runs in one process.
TEST(SearchList, ScriptPathsGoToTheFrontOnlyForOne) {
  package::AddSearchPath(L"middle-a", false);
  package::AddPathFromScript(L"front-1", 1);
  package::AddPathFromScript(L"back-0", 0);
  package::AddPathFromScript(L"back-2", 2);
  package::AddPathFromScript(L"back-minus-1", -1);
  const auto list = package::SearchPaths();
  EXPECT_EQ(list.front(), L"front-1");
  EXPECT_EQ(list.back(), L"back-minus-1");
  EXPECT_LT(PositionOf(list, L"middle-a"), PositionOf(list, L"back-0"));
  EXPECT_LT(PositionOf(list, L"back-0"), PositionOf(list, L"back-2"));
}

TEST(SearchList, PathsAreKeptAsGivenAndNeverMerged) {
  package::AddPathFromScript(L"Same\\Path/", 0);
  package::AddPathFromScript(L"Same\\Path/", 0);
  const auto list = package::SearchPaths();
  EXPECT_EQ(std::count(list.begin(), list.end(), L"Same\\Path/"), 2);
}

TEST(SearchList, AnArchiveAddedAtTheFrontIsSearchedBeforeThePackage) {
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  package::AddSearchPath(PackagePath(), true);
  EXPECT_EQ(ReadAll(package::Lookup("main.html")), Expected("main.html"));
  package::AddPathFromScript(L"res", 1);
  EXPECT_EQ(ReadAll(package::Lookup("main.html")), Expected("res-main.html"));
}

TEST(SearchList, ThePackageStillWinsOverAPathAddedAtTheBack) {
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  package::AddSearchPath(PackagePath(), true);
  package::AddPathFromScript(L"res", 0);
  EXPECT_EQ(ReadAll(package::Lookup("main.html")), Expected("main.html"));
  EXPECT_EQ(ReadAll(package::Lookup("only-in-res.txt")), Expected("only-in-res.txt"));
}

TEST(SearchList, AFolderAddedAtTheBackIsSearchedUnderTheModuleDirectoryBeforeThePlainPath) {
  ScratchDir module;
  ScratchDir current;
  WriteBytes(module.path() / L"gui" / L"page.html", "from the gui folder");
  WriteBytes(current.path() / L"page.html", "from the current directory");
  package::AddSearchPath(PackagePath(), false);
  EXPECT_EQ(ReadAll(package::Lookup("page.html")), "from the current directory");
  package::SetModuleDirectory(module.path().wstring());
  package::AddPathFromScript(L"gui", 0);
  EXPECT_EQ(ReadAll(package::Lookup("page.html")), "from the gui folder");
}

TEST(SearchList, LookupsOnOtherThreadsRunWhilePathsAreAdded) {
  package::AddSearchPath(PackagePath(), true);
  std::atomic<int> found{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      for (int round = 0; round < 40; ++round) {
        if (ReadAll(package::Lookup("js/common.js")) == Expected("common.js")) ++found;
      }
    });
  }
  for (int i = 0; i < 2000; ++i) package::AddSearchPath(L"added-" + std::to_wstring(i), true);
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(found.load(), 3 * 40);
  EXPECT_GE(package::SearchPaths().size(), 2001u);
}

}  // namespace
