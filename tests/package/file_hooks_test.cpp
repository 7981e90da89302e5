// The five hooks the engine reads package files through, over the process-wide search list.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "host/file_hooks.h"
#include "host/package.h"
#include "package_fixtures.h"

namespace {

using package_test::Expected;
using package_test::ScratchDir;
using package_test::WriteBytes;

// The hooks exactly as the engine receives them.
constexpr wkeFileOpen kOpen = file_hooks::Open;
constexpr wkeFileClose kClose = file_hooks::Close;
constexpr wkeFileSize kSize = file_hooks::Size;
constexpr wkeFileRead kRead = file_hooks::Read;
constexpr wkeFileSeek kSeek = file_hooks::Seek;

class FileHooks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { package::AddSearchPath(package_test::PackagePath(), false); }
};

struct Opened {
  explicit Opened(const char* name) : handle(kOpen(name)) {}
  ~Opened() { kClose(handle); }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  void* handle;
};

std::string ReadCount(void* handle, unsigned count) {
  std::string buffer(count, '\0');
  const int done = kRead(handle, buffer.data(), count);
  buffer.resize(done > 0 ? static_cast<size_t>(done) : 0);
  return buffer;
}

TEST_F(FileHooks, SizeOfADeflatedEntryIsItsUncompressedSizeAndOneReadDeliversIt) {
  const std::string expected = Expected("big.bin");
  Opened file("big.bin");
  ASSERT_NE(file.handle, nullptr);
  const unsigned size = kSize(file.handle);
  EXPECT_EQ(size, expected.size());
  std::vector<char> buffer(size + 16, '\0');
  EXPECT_EQ(kRead(file.handle, buffer.data(), size), static_cast<int>(expected.size()));
  EXPECT_EQ(std::string(buffer.data(), expected.size()), expected);
  EXPECT_EQ(kRead(file.handle, buffer.data(), size), 0);
}

TEST_F(FileHooks, ReadReturnsZeroAtTheEndOfAnEntryAndOfADiskFile) {
  Opened entry("main.html");
  ASSERT_NE(entry.handle, nullptr);
  EXPECT_EQ(ReadCount(entry.handle, 4096), Expected("main.html"));
  EXPECT_EQ(kRead(entry.handle, std::string(16, '\0').data(), 16), 0);

  ScratchDir scratch;
  WriteBytes(scratch.path() / L"disk-only.txt", "on disk");
  Opened disk("disk-only.txt");
  ASSERT_NE(disk.handle, nullptr);
  EXPECT_EQ(kSize(disk.handle), 7u);
  EXPECT_EQ(ReadCount(disk.handle, 100), "on disk");
  EXPECT_EQ(kRead(disk.handle, std::string(16, '\0').data(), 16), 0);
}

TEST_F(FileHooks, AnEmptyEntryHasSizeZeroAndReadsNothing) {
  Opened file("empty.txt");
  ASSERT_NE(file.handle, nullptr);
  EXPECT_EQ(kSize(file.handle), 0u);
  char byte = 0;
  EXPECT_EQ(kRead(file.handle, &byte, 1), 0);
}

TEST_F(FileHooks, OpenFindsNothingForAMissingName) {
  ScratchDir scratch;
  EXPECT_EQ(kOpen("not-in-the-package.html"), nullptr);
  EXPECT_EQ(kOpen(nullptr), nullptr);
}

TEST_F(FileHooks, NullHandlesAreRefused) {
  char buffer[8];
  kClose(nullptr);
  EXPECT_EQ(kSize(nullptr), 0u);
  EXPECT_EQ(kRead(nullptr, buffer, sizeof buffer), -1);
  EXPECT_EQ(kSeek(nullptr, 0, 0), -1);
}

TEST_F(FileHooks, AHandleWithNeitherPartIsRefused) {
  package::File empty;
  EXPECT_EQ(kSize(&empty), 0u);
  char buffer[8];
  EXPECT_EQ(kRead(&empty, buffer, sizeof buffer), -1);
  EXPECT_EQ(kSeek(&empty, 0, 0), -1);
}

TEST_F(FileHooks, ANullBufferFailsTheReadInsteadOfWritingThroughIt) {
  Opened stored("main.html");
  ASSERT_NE(stored.handle, nullptr);
  EXPECT_LT(kRead(stored.handle, nullptr, 10), 0);
  EXPECT_EQ(ReadCount(stored.handle, 100000), Expected("main.html"));
  Opened deflated("js/common.js");
  ASSERT_NE(deflated.handle, nullptr);
  EXPECT_LT(kRead(deflated.handle, nullptr, 10), 0);
  EXPECT_EQ(ReadCount(deflated.handle, 100000), Expected("common.js"));

  ScratchDir scratch;
  WriteBytes(scratch.path() / L"disk-only.txt", "on disk");
  Opened disk("disk-only.txt");
  ASSERT_NE(disk.handle, nullptr);
  EXPECT_EQ(kRead(disk.handle, nullptr, 10), 0);
}

TEST_F(FileHooks, SeekInADiskFileGoesToTheSumOfBothNumbersFromTheStart) {
  ScratchDir scratch;
  WriteBytes(scratch.path() / L"digits.txt", "0123456789");
  Opened file("digits.txt");
  ASSERT_NE(file.handle, nullptr);
  EXPECT_EQ(kSeek(file.handle, 4, 0), 4);
  EXPECT_EQ(ReadCount(file.handle, 3), "456");
  EXPECT_EQ(kSeek(file.handle, 1, 1), 2);
  EXPECT_EQ(ReadCount(file.handle, 2), "23");
  EXPECT_EQ(kSeek(file.handle, -1, 0), -1);
  EXPECT_EQ(ReadCount(file.handle, 2), "45");
  EXPECT_EQ(kSeek(file.handle, INT_MAX, 1), -1);
}

TEST_F(FileHooks, SeekInACompressedEntryMovesForwardAndBackward) {
  const std::string expected = Expected("big.bin");
  Opened file("big.bin");
  ASSERT_NE(file.handle, nullptr);
  EXPECT_EQ(kSeek(file.handle, 200000, 0), 200000);
  EXPECT_EQ(ReadCount(file.handle, 50), expected.substr(200000, 50));
  EXPECT_EQ(kSeek(file.handle, 1000, 5), 1005);
  EXPECT_EQ(ReadCount(file.handle, 50), expected.substr(1005, 50));
  EXPECT_EQ(kSeek(file.handle, 1055, 0), 1055);
  EXPECT_EQ(ReadCount(file.handle, 50), expected.substr(1055, 50));
  EXPECT_EQ(kSize(file.handle), expected.size());
}

TEST_F(FileHooks, SeekInAnEntryToItsEndLeavesNothingToReadAndBeyondItFails) {
  const std::string expected = Expected("site.css");
  Opened file("css/site.css");
  ASSERT_NE(file.handle, nullptr);
  const int size = static_cast<int>(expected.size());
  EXPECT_EQ(kSeek(file.handle, size, 0), size);
  EXPECT_EQ(ReadCount(file.handle, 10), "");
  EXPECT_EQ(kSeek(file.handle, size + 1, 0), -1);
  EXPECT_EQ(kSeek(file.handle, -1, 0), -1);
  EXPECT_EQ(kSeek(file.handle, 0, 0), 0);
  EXPECT_EQ(ReadCount(file.handle, 100000), expected);
}

TEST_F(FileHooks, HandlesStayUsableAfterTheSearchListGrows) {
  Opened file("js/common.js");
  ASSERT_NE(file.handle, nullptr);
  ScratchDir scratch;
  std::filesystem::copy_file(package_test::FixtureDir() / L"res.zip", scratch.path() / L"res");
  package::AddSearchPath(L"res", true);
  EXPECT_EQ(ReadCount(file.handle, 100000), Expected("common.js"));
}

}  // namespace
