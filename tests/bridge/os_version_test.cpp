#include "host/os_version.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> ResourceWithRecordAt(size_t offset, uint32_t fileVersionMS, size_t total = 200) {
  std::vector<uint8_t> data(total, 0xEE);
  VS_FIXEDFILEINFO record{};
  record.dwSignature = 0xFEEF04BD;
  record.dwFileVersionMS = fileVersionMS;
  std::memcpy(data.data() + offset, &record, sizeof record);
  return data;
}

TEST(OsVersionResource, FindsTheRecordAtAnyByteOffset) {
  for (size_t offset : {0u, 1u, 3u, 37u, 148u}) {
    const auto data = ResourceWithRecordAt(offset, 0x00060001);
    EXPECT_EQ(os_version::FileVersionMSFromResource(data.data(), data.size()), 0x00060001u) << offset;
  }
}

TEST(OsVersionResource, TakesTheFirstSignature) {
  auto data = ResourceWithRecordAt(60, 0x000A0000);
  const auto earlier = ResourceWithRecordAt(5, 0x00050001);
  std::memcpy(data.data() + 5, earlier.data() + 5, 52);
  EXPECT_EQ(os_version::FileVersionMSFromResource(data.data(), data.size()), 0x00050001u);
}

TEST(OsVersionResource, NoSignatureOrARecordCutShortGivesZero) {
  std::vector<uint8_t> none(100, 0);
  EXPECT_EQ(os_version::FileVersionMSFromResource(none.data(), none.size()), 0u);
  const auto cut = ResourceWithRecordAt(60, 0x000A0000);  // its 52 bytes end at 112, past a 100-byte resource
  EXPECT_EQ(os_version::FileVersionMSFromResource(cut.data(), 100), 0u);
  EXPECT_EQ(os_version::FileVersionMSFromResource(nullptr, 0), 0u);
}

TEST(OsVersionRegistryText, ParsesMajorDotMinor) {
  EXPECT_EQ(os_version::ParseCurrentVersion(L"10.0"), 0x000A0000u);
  EXPECT_EQ(os_version::ParseCurrentVersion(L"6.1"), 0x00060001u);
  EXPECT_EQ(os_version::ParseCurrentVersion(L"6.3"), 0x00060003u);
  EXPECT_EQ(os_version::ParseCurrentVersion(L"6"), 0x00060000u);
  EXPECT_EQ(os_version::ParseCurrentVersion(L""), 0u);
  EXPECT_EQ(os_version::ParseCurrentVersion(L"x.y"), 0u);
}

TEST(OsVersionQuery, ReadsTheRunningSystem) {
  // Wine reports a real Windows version; the major part is at least 5 (XP) on any system.
  EXPECT_GE(os_version::Query() >> 16, 5u);
}

}  // namespace
