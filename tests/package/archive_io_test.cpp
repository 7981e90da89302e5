// The file functions minizip reads archives through.
#include <gtest/gtest.h>

#include <string>

#include "host/package_archive_io.h"
#include "package_fixtures.h"

namespace {

using package_test::ScratchDir;
using package_test::WriteBytes;

class ArchiveIo : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(scratch_.path() / L"data.bin", "0123456789");
    path_ = (scratch_.path() / L"data.bin").wstring();
  }
  voidpf Open(const wchar_t* path) { return io_.zopen64_file(io_.opaque, path, ZLIB_FILEFUNC_MODE_READ); }

  ScratchDir scratch_;
  std::wstring path_;
  zlib_filefunc64_def io_ = package::archive_io::Win32FileFunctions();
};

TEST_F(ArchiveIo, ReadsTellsAndSeeksFromEachOrigin) {
  voidpf stream = Open(path_.c_str());
  ASSERT_NE(stream, nullptr);
  char buffer[4] = {};
  EXPECT_EQ(io_.zread_file(io_.opaque, stream, buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "012");
  EXPECT_EQ(io_.ztell64_file(io_.opaque, stream), 3u);
  EXPECT_EQ(io_.zseek64_file(io_.opaque, stream, 2, ZLIB_FILEFUNC_SEEK_CUR), 0);
  EXPECT_EQ(io_.ztell64_file(io_.opaque, stream), 5u);
  EXPECT_EQ(io_.zseek64_file(io_.opaque, stream, static_cast<ZPOS64_T>(-3), ZLIB_FILEFUNC_SEEK_END), 0);
  EXPECT_EQ(io_.ztell64_file(io_.opaque, stream), 7u);
  EXPECT_EQ(io_.zread_file(io_.opaque, stream, buffer, 4), 3u);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(io_.zseek64_file(io_.opaque, stream, 1, ZLIB_FILEFUNC_SEEK_SET), 0);
  EXPECT_EQ(io_.ztell64_file(io_.opaque, stream), 1u);
  EXPECT_EQ(io_.zclose_file(io_.opaque, stream), 0);
}

TEST_F(ArchiveIo, UnknownOriginsAndImpossibleMovesFail) {
  voidpf stream = Open(path_.c_str());
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(io_.zseek64_file(io_.opaque, stream, 0, 3), -1);
  EXPECT_EQ(io_.zseek64_file(io_.opaque, stream, static_cast<ZPOS64_T>(-20), ZLIB_FILEFUNC_SEEK_END), -1);
  EXPECT_EQ(io_.ztell64_file(io_.opaque, stream), 0u);
  EXPECT_EQ(io_.zclose_file(io_.opaque, stream), 0);
}

TEST_F(ArchiveIo, OpeningIsReadOnlyWhateverModeIsAsked) {
  voidpf stream = io_.zopen64_file(io_.opaque, path_.c_str(), ZLIB_FILEFUNC_MODE_WRITE | ZLIB_FILEFUNC_MODE_CREATE);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(io_.zwrite_file(io_.opaque, stream, "xx", 2), 0u);
  EXPECT_EQ(io_.zclose_file(io_.opaque, stream), 0);
  EXPECT_EQ(package_test::ReadBytes(path_), "0123456789");
}

TEST_F(ArchiveIo, MissingFilesAndNullStreamsGiveFailureValues) {
  EXPECT_EQ(Open((scratch_.path() / L"missing.zip").c_str()), nullptr);
  EXPECT_EQ(Open(nullptr), nullptr);
  char buffer[4];
  EXPECT_EQ(io_.zread_file(io_.opaque, nullptr, buffer, 4), 0u);
  EXPECT_EQ(io_.zwrite_file(io_.opaque, nullptr, buffer, 4), 0u);
  EXPECT_EQ(io_.ztell64_file(io_.opaque, nullptr), 0u);
  EXPECT_EQ(io_.zseek64_file(io_.opaque, nullptr, 0, ZLIB_FILEFUNC_SEEK_SET), -1);
  EXPECT_EQ(io_.zclose_file(io_.opaque, nullptr), -1);
}

TEST_F(ArchiveIo, ErrorIsTheThreadsLastWin32Error) {
  SetLastError(ERROR_HANDLE_EOF);
  EXPECT_EQ(io_.zerror_file(io_.opaque, nullptr), static_cast<int>(ERROR_HANDLE_EOF));
}

}  // namespace
