// The package lookup over explicit search lists: archives, then folders under the module
// directory, then the name as a plain path.
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "base/utf8.h"
#include "host/package.h"
#include "package_fixtures.h"

namespace {

using package_test::Expected;
using package_test::PackagePath;
using package_test::ReadAll;
using package_test::ScratchDir;
using package_test::WriteBytes;

std::vector<std::wstring> PackageOnly() { return {PackagePath()}; }

std::string Long(int line) {
  std::ifstream in(package_test::FixtureDir() / L"names.txt");
  std::string name;
  for (int i = 0; i <= line; ++i) std::getline(in, name);
  return name;
}

TEST(PackageLookup, FindsEntriesOfAnArchiveAppendedToAnExecutable) {
  auto file = package::Find(PackageOnly(), L"", "exe.zip.index.html");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->archive);
  EXPECT_FALSE(file->disk);
  EXPECT_EQ(ReadAll(file), Expected("index.html"));
}

TEST(PackageLookup, NamesCompareWithoutCaseAndWithEitherSeparator) {
  for (const char* name : {"js/common.js", "JS/Common.JS", "js\\common.js", "Js\\COMMON.js"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", name)), Expected("common.js"));
  }
}

TEST(PackageLookup, NonAsciiNamesCompareWithoutCase) {
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "\xc3\x84rger.txt")), Expected("aerger.txt"));
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "\xc3\xa4rger.txt")), Expected("aerger.txt"));
  EXPECT_FALSE(package::Find(PackageOnly(), L"", "arger.txt"));
}

TEST(PackageLookup, LeadingDotSlashOrSlashIsNotNormalisedAway) {
  ScratchDir scratch;
  EXPECT_FALSE(package::Find(PackageOnly(), scratch.path().wstring(), "./main.html"));
  EXPECT_FALSE(package::Find(PackageOnly(), scratch.path().wstring(), "/main.html"));
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "main.html")), Expected("main.html"));
}

TEST(PackageLookup, LeadingDotSlashFindsTheFileOnDiskInTheCurrentDirectory) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"main.html", "main on disk");
  auto file = package::Find(PackageOnly(), L"", "./main.html");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->disk);
  EXPECT_EQ(ReadAll(file), "main on disk");
}

TEST(PackageLookup, LeadingSlashFindsTheFileInAFolderUnderTheModuleDirectory) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"res" / L"main.html", "main in the res folder");
  auto file = package::Find({PackagePath(), L"res"}, scratch.path().wstring(), "/main.html");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->disk);
  EXPECT_EQ(ReadAll(file), "main in the res folder");
}

TEST(PackageLookup, FolderEntriesAreNotFiles) {
  for (const char* name : {"css/", "css\\", "CSS/", "img\\", "img/"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(package::Find(PackageOnly(), L"", name));
  }
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "css/site.css")), Expected("site.css"));
}

TEST(PackageLookup, EntryNamesOf260BytesOrMoreAreSkipped) {
  const std::string name259 = Long(0);
  const std::string name260 = Long(1);
  ASSERT_EQ(name259.size(), 259u);
  ASSERT_EQ(name260.size(), 260u);
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", name259.c_str())), Expected("long259.txt"));
  EXPECT_FALSE(package::Find(PackageOnly(), L"", name260.c_str()));
}

TEST(PackageLookup, AMatchingEntryThatCannotBeOpenedLetsTheWalkContinue) {
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "broken.txt")), Expected("broken-readable.txt"));
}

TEST(PackageLookup, TheEarlierOfTwoMatchingEntriesWins) {
  EXPECT_EQ(ReadAll(package::Find(PackageOnly(), L"", "DUP.TXT")), Expected("dup-first.txt"));
}

TEST(PackageLookup, AMissingOrNullNameFindsNothing) {
  ScratchDir scratch;
  EXPECT_FALSE(package::Find(PackageOnly(), scratch.path().wstring(), "no-such-page.html"));
  EXPECT_FALSE(package::Find(PackageOnly(), scratch.path().wstring(), nullptr));
  EXPECT_FALSE(package::Find(PackageOnly(), scratch.path().wstring(), ""));
}

TEST(PackageLookup, AnArchiveFirstInTheListIsSearchedBeforeThePackage) {
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  EXPECT_EQ(ReadAll(package::Find({L"res", PackagePath()}, L"", "main.html")), Expected("res-main.html"));
}

TEST(PackageLookup, ThePackageFirstInTheListWinsOverALaterArchive) {
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  EXPECT_EQ(ReadAll(package::Find({PackagePath(), L"res"}, L"", "main.html")), Expected("main.html"));
  EXPECT_EQ(ReadAll(package::Find({PackagePath(), L"res"}, L"", "only-in-res.txt")), Expected("only-in-res.txt"));
}

TEST(PackageLookup, AnyArchiveWinsOverAnyFolder) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"res" / L"only-in-res.txt", "folder copy");
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"later.zip");
  EXPECT_EQ(ReadAll(package::Find({L"res", L"later.zip"}, scratch.path().wstring(), "only-in-res.txt")),
            Expected("only-in-res.txt"));
}

TEST(PackageLookup, AFolderUnderTheModuleDirectoryIsSearchedBeforeThePlainPath) {
  ScratchDir scratch;
  ScratchDir current;  // the current directory from here on; scratch is the module directory
  WriteBytes(scratch.path() / L"res" / L"pages" / L"page.html", "from the module folder");
  WriteBytes(current.path() / L"pages" / L"page.html", "from the current directory");
  auto file = package::Find({PackagePath(), L"res"}, scratch.path().wstring(), "pages/page.html");
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->disk);
  EXPECT_EQ(ReadAll(file), "from the module folder");
  EXPECT_EQ(ReadAll(package::Find({PackagePath()}, scratch.path().wstring(), "pages/page.html")),
            "from the current directory");
}

TEST(PackageLookup, FolderPassPathsAreUtf8Names) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"res" / L"\u00fcber.txt", "non-ASCII file name");
  EXPECT_EQ(ReadAll(package::Find({L"res"}, scratch.path().wstring(),
                                  "\xc3\xbc"
                                  "ber.txt")),
            "non-ASCII file name");
}

TEST(PackageLookup, AnAbsoluteListEntryServesNoFolder) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"res" / L"x.txt", "x");
  const std::wstring absolute = (scratch.path() / L"res").wstring();
  ScratchDir elsewhere;
  EXPECT_FALSE(package::Find({absolute}, scratch.path().wstring(), "x.txt"));
}

TEST(PackageLookup, ThePlainPassOpensRelativeAndAbsolutePaths) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"exe.zip.index.html", "entry page on disk");
  auto relative = package::Find({}, L"", "exe.zip.index.html");
  ASSERT_TRUE(relative);
  EXPECT_TRUE(relative->disk);
  EXPECT_EQ(ReadAll(relative), "entry page on disk");
  const std::string absolute = text::WideToUtf8((scratch.path() / L"exe.zip.index.html").wstring());
  EXPECT_EQ(ReadAll(package::Find({}, L"", absolute.c_str())), "entry page on disk");
}

TEST(PackageLookup, ListEntriesThatAreNoArchivesArePassedOver) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"notzip", "plain text, no archive here");
  EXPECT_EQ(ReadAll(package::Find({L"notzip", L"missing.zip", L"", PackagePath()}, L"", "main.html")),
            Expected("main.html"));
}

TEST(PackageLookup, EachLookupSeesTheArchiveAsItIsNow) {
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  EXPECT_TRUE(package::Find({L"res"}, L"", "only-in-res.txt"));
  std::filesystem::remove(scratch.path() / L"res");
  std::filesystem::copy_file(PackagePath(), scratch.path() / L"res");
  EXPECT_FALSE(package::Find({L"res"}, L"", "only-in-res.txt"));
  EXPECT_TRUE(package::Find({L"res"}, L"", "main.html"));
}

}  // namespace
