// The name rules of archive extraction (ZIP and 7z): which entries a prefix takes, where each one
// goes, and which names are refused because they would lead out of the destination.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/archive_names.h"
#include "base/utf8.h"

namespace archive_names {
namespace {

std::optional<std::wstring> Output(std::wstring destination, std::string prefix, std::string name) {
  std::wstring widePrefix = text::Utf8ToWide(prefix);
  ToBackslashes(widePrefix);
  ToBackslashes(prefix);
  return OutputPath(destination, widePrefix, prefix, name);
}

TEST(ArchiveNames, APrefixTakesEveryNameThatStartsWithItsBytesInEitherCase) {
  EXPECT_TRUE(IsSelected("anything/at/all.txt", ""));
  EXPECT_TRUE(IsSelected("images/u12.jpg", "images\\"));
  EXPECT_TRUE(IsSelected("images/u12.jpg", "images/"));
  EXPECT_TRUE(IsSelected("IMAGES\\u12.JPG", "images/u12.jpg"));
  EXPECT_TRUE(IsSelected("img2/x.png", "img"));
  EXPECT_TRUE(IsSelected("img2/x.png", "IMG"));
  EXPECT_FALSE(IsSelected("im", "img"));
  EXPECT_FALSE(IsSelected("sounds/u12.jpg", "images/"));
  EXPECT_FALSE(IsSelected("imagesX/u12.jpg", "images/"));
  // Only ASCII letters fold: other bytes match exactly.
  EXPECT_TRUE(IsSelected("\xc3\xa9t\xc3\xa9/a", "\xc3\xa9T"));
  EXPECT_FALSE(IsSelected("\xc3\xa9t\xc3\xa9/a", "\xc3\x89t"));
}

TEST(ArchiveNames, TheOutputIsTheDestinationPlusTheRestOfTheNameWithoutASeparatorAdded) {
  EXPECT_EQ(Output(L"C:\\out\\", "", "a/b/c.txt"), L"C:\\out\\a\\b\\c.txt");
  EXPECT_EQ(Output(L"C:\\out\\", "images\\", "images/u12.jpg"), L"C:\\out\\u12.jpg");
  EXPECT_EQ(Output(L"C:\\out\\", "images/", "images/u12.jpg"), L"C:\\out\\u12.jpg");
  EXPECT_EQ(Output(L"C:\\out\\", "images/u12.jpg", "images/u12.jpg"), L"C:\\out\\images\\u12.jpg");
  // The name is the prefix: the prefix as the page wrote it, not the archive's spelling.
  EXPECT_EQ(Output(L"C:\\out\\", "Images/U12.jpg", "images/u12.jpg"), L"C:\\out\\Images\\U12.jpg");
  EXPECT_EQ(Output(L"C:\\out", "", "a.txt"), L"C:\\outa.txt");
  EXPECT_EQ(Output(L"C:\\out\\", "img", "img2/x.png"), L"C:\\out\\2\\x.png");
  EXPECT_EQ(Output(L"C:\\out", "images", "images/u12.jpg"), L"C:\\out\\u12.jpg");
  EXPECT_EQ(Output(L"C:\\out\\", "", "folder/"), L"C:\\out\\folder\\");
  EXPECT_EQ(Output(L"", "", "a.txt"), L"a.txt");
  EXPECT_EQ(Output(L"C:\\out\\", "", "\xe6\x97\xa5\xe6\x9c\xac/\xc3\xa9.txt"), L"C:\\out\\\u65e5\u672c\\\u00e9.txt");
}

TEST(ArchiveNames, NamesThatCouldLeaveTheDestinationAreRefused) {
  for (const wchar_t* name : {L"../a.txt",
                              L"a/../../b.txt",
                              L"a\\..\\b.txt",
                              L"..",
                              L"a/...",
                              L"a/.. /b",
                              L"/a.txt",
                              L"\\a.txt",
                              L"\\\\server\\share\\a.txt",
                              L"\\\\?\\C:\\a.txt",
                              L"\\\\.\\pipe\\x",
                              L"C:\\a.txt",
                              L"C:a.txt",
                              L"a.txt:evil",
                              L"a.txt::$DATA",
                              L"CON",
                              L"con.txt",
                              L"a/NUL",
                              L"aux ",
                              L"com1.log",
                              L"LPT9",
                              L"conout$",
                              L"a/b\x01.txt",
                              L"a*.txt",
                              L"a?.txt",
                              L"a|b",
                              L""}) {
    EXPECT_TRUE(IsEscaping(name)) << text::WideToUtf8(name);
  }
  for (const wchar_t* name : {L"a.txt", L"a/b/c.txt", L"./a.txt", L"a..b.txt", L"..a", L"a/b/", L"console.txt",
                              L"com10.txt", L"nullable", L"\u00e9t\u00e9.txt"}) {
    EXPECT_FALSE(IsEscaping(name)) << text::WideToUtf8(name);
  }
}

TEST(ArchiveNames, AnEscapingWholeNameOrRestHasNoOutput) {
  EXPECT_EQ(Output(L"C:\\out\\", "", "../evil.txt"), std::nullopt);
  EXPECT_EQ(Output(L"C:\\out\\", "", "C:/evil.txt"), std::nullopt);
  EXPECT_EQ(Output(L"C:\\out\\", "", "good.txt:evil"), std::nullopt);
  EXPECT_EQ(Output(L"C:\\out\\", "", "//server/share/evil.txt"), std::nullopt);
  // The rest alone climbs once the prefix is cut off.
  EXPECT_EQ(Output(L"C:\\out\\", "x", "x../evil.txt"), std::nullopt);
  // A rest with a leading "\" must not turn the destination into a root.
  EXPECT_EQ(Output(L"", "images", "images/u12.jpg"), std::nullopt);
  EXPECT_EQ(Output(L"C:", "images", "images/u12.jpg"), std::nullopt);
}

TEST(ArchiveNames, TheSystemsFullPathMustStayBelowTheDestination) {
  EXPECT_TRUE(StaysInside(L"C:\\out\\", L"C:\\out\\a\\b.txt"));
  EXPECT_TRUE(StaysInside(L"C:\\out", L"C:\\outa.txt"));
  EXPECT_TRUE(StaysInside(L"C:\\OUT\\", L"c:\\out\\a.txt"));
  EXPECT_FALSE(StaysInside(L"C:\\out\\", L"C:\\out\\..\\a.txt"));
  EXPECT_FALSE(StaysInside(L"C:\\out\\", L"C:\\other\\a.txt"));
  EXPECT_FALSE(StaysInside(L"C:\\out\\", L"C:\\out\\x\\..\\..\\a.txt"));
}

}  // namespace
}  // namespace archive_names
