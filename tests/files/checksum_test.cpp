// CRC-32 of files read in pieces.
#include <gtest/gtest.h>

#include <windows.h>
#include <zlib.h>

#include <vector>

#include "services/file_checksum.h"
#include "tests/support/temp_folder.h"

namespace {

using test_support::TempFolder;
using test_support::WriteBytes;

struct Report {
  uint64_t done, total;
  uint32_t crc;
};

std::vector<Report> Checksums(const std::wstring& path, uint32_t piece) {
  std::vector<Report> reports;
  files::ChecksumPieces(path, piece, [&](uint64_t done, uint64_t total, uint32_t crc) {
    reports.push_back({done, total, crc});
  });
  return reports;
}

TEST(Checksum, ReportsEveryPieceAndEndsWithTheFileCrc) {
  const TempFolder temp;
  std::string bytes(25, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 1);
  WriteBytes(temp / L"data.bin", bytes);
  const auto reports = Checksums(temp / L"data.bin", 10);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].done, 10u);
  EXPECT_EQ(reports[1].done, 20u);
  EXPECT_EQ(reports[2].done, 25u);
  for (const auto& report : reports) EXPECT_EQ(report.total, 25u);
  const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
  EXPECT_EQ(reports[0].crc, crc32(0, data, 10));
  EXPECT_EQ(reports[2].crc, crc32(0, data, 25));
}

TEST(Checksum, EmptyAndMissingFilesReportOnceWithZeros) {
  const TempFolder temp;
  WriteBytes(temp / L"empty.bin", "");
  for (const std::wstring& path : {temp / L"empty.bin", temp / L"missing.bin"}) {
    const auto reports = Checksums(path, 10);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].done, 0u);
    EXPECT_EQ(reports[0].total, 0u);
    EXPECT_EQ(reports[0].crc, 0u);
  }
}

}  // namespace
