// A program made by the packaging tool, read back with the package lookup: the pages and the
// engine are found by the names start-up and the engine use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/utf8.h"
#include "host/package.h"
#include "package_fixtures.h"

namespace {

using package_test::FixtureDir;
using package_test::ReadAll;
using package_test::ReadBytes;

std::vector<std::wstring> PackedProgram() { return {(FixtureDir() / L"packed.exe").wstring()}; }

TEST(PackedProgram, HoldsEveryPageUnderItsRelativeName) {
  for (const char* name : {"exe.zip.index.html", "js/app.js", "styles/main style.css"}) {
    SCOPED_TRACE(name);
    auto file = package::Find(PackedProgram(), L"", name);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->archive);
    EXPECT_EQ(ReadAll(*file), ReadBytes(FixtureDir() / L"pages" / text::Utf8ToWide(name)));
  }
}

TEST(PackedProgram, StartUpReadsTheEngineWithOneSizedRead) {
  const std::string engine = ReadBytes(FixtureDir() / L"engine.dll");
  ASSERT_GT(engine.size(), 0u);
  auto file = package::Find(PackedProgram(), L"", "wke.dll");
  ASSERT_TRUE(file);
  const unsigned size = package::Size(*file);
  ASSERT_EQ(size, engine.size());
  std::string image(size + 4, '\0');
  EXPECT_EQ(package::Read(*file, image.data(), size), static_cast<int>(size));
  EXPECT_EQ(image.substr(0, size), engine);
}

}  // namespace
