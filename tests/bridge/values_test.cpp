// Conversions every native function relies on: the name key, the number-to-handle rule, the
// scratch buffer and the build stamp.
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>

#include "bridge/core_version.h"
#include "bridge/name_key.h"
#include "bridge/scratch_buffer.h"
#include "bridge/script_values.h"

namespace {

TEST(NameKey, IsZlibCrc32OverUtf16LeBytes) {
  EXPECT_EQ(names::Key(L""), 0u);
  EXPECT_EQ(names::KeyOfBytes(nullptr, 4), 0u);
  // "a" as UTF-16LE is the two bytes 61 00.
  const unsigned char a[] = {0x61, 0x00};
  EXPECT_EQ(names::Key(L"a"), crc32(0, a, 2));
  // The standard check value of CRC-32 over the ASCII bytes "123456789".
  EXPECT_EQ(names::KeyOfBytes("123456789", 9), 0xCBF43926u);
  const std::wstring flag = L"main.html";
  EXPECT_EQ(names::Key(flag),
            crc32(0, reinterpret_cast<const Bytef*>(flag.data()), static_cast<uInt>(flag.size() * 2)));
  EXPECT_NE(names::Key(L"Main.html"), names::Key(L"main.html"));  // letter case matters
  const std::wstring cjk = L"\u65e5\u672c";
  const unsigned char cjkBytes[] = {0xE5, 0x65, 0x2C, 0x67};
  EXPECT_EQ(names::Key(cjk), crc32(0, cjkBytes, 4));
}

TEST(HandleRule, TruncatesTowardZeroAndKeepsTheLow32Bits) {
  EXPECT_EQ(script::HandleFromNumber(1.9), 1u);
  EXPECT_EQ(script::HandleFromNumber(-1.0), 0xFFFFFFFFu);
  EXPECT_EQ(script::HandleFromNumber(-1.9), 0xFFFFFFFFu);
  EXPECT_EQ(script::HandleFromNumber(4294967297.0), 1u);
  EXPECT_EQ(script::HandleFromNumber(4294967295.0), 0xFFFFFFFFu);  // a handle above 0x7FFFFFFF survives
  EXPECT_EQ(script::HandleFromNumber(2147483648.0), 0x80000000u);
  EXPECT_EQ(script::HandleFromNumber(0.0), 0u);
  // Values no 64-bit integer can hold give the null handle instead of undefined behaviour.
  EXPECT_EQ(script::HandleFromNumber(1e300), 0u);
  EXPECT_EQ(script::HandleFromNumber(-1e300), 0u);
  EXPECT_EQ(script::HandleFromNumber(std::nan("")), 0u);
}

TEST(HandleRule, A32BitValueBecomesTheSameHandleInEitherBuild) {
  // The pseudo handle of the own process, INVALID_HANDLE_VALUE and HKEY_CURRENT_USER are
  // negative: a 64-bit process must see them sign-extended, not as small positive numbers.
  EXPECT_EQ(script::HandleFromBits(0xFFFFFFFFu), GetCurrentProcess());
  EXPECT_EQ(script::HandleFromBits(0xFFFFFFFFu), INVALID_HANDLE_VALUE);
  EXPECT_EQ(script::HandleFromBits(0x80000001u), static_cast<void*>(HKEY_CURRENT_USER));
  EXPECT_EQ(script::HandleFromBits(0x80000002u), static_cast<void*>(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(script::HandleFromBits(0x1234u), reinterpret_cast<void*>(uintptr_t{0x1234}));
  // A real handle survives the round trip through the page's number.
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  const uint32_t bits =
      script::HandleFromNumber(static_cast<double>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event))));
  EXPECT_EQ(script::HandleFromBits(bits), event);
  EXPECT_TRUE(CloseHandle(script::HandleFromBits(bits)));
}

TEST(AddressRule, AddressesComeBackWhole) {
  // A module handle is an address, above 4 GiB in 64-bit processes.
  const HMODULE module = GetModuleHandleW(nullptr);
  EXPECT_EQ(script::AddressFromNumber(static_cast<double>(reinterpret_cast<uintptr_t>(module))),
            reinterpret_cast<uintptr_t>(module));
  if constexpr (sizeof(void*) == 8) {
    EXPECT_EQ(uint64_t{script::AddressFromNumber(12884901888.0)}, 0x300000000u);
    EXPECT_EQ(uint64_t{script::AddressFromNumber(9007199254740991.0)}, 0x1FFFFFFFFFFFFFu);
  }
  EXPECT_EQ(script::AddressFromNumber(1.9), 1u);
  EXPECT_EQ(script::AddressFromNumber(0.0), 0u);
  EXPECT_EQ(script::AddressFromNumber(1e300), 0u);
  EXPECT_EQ(script::AddressFromNumber(-1e300), 0u);
  EXPECT_EQ(script::AddressFromNumber(std::nan("")), 0u);
  EXPECT_EQ(script::AddressFromNumber(INFINITY), 0u);
}

TEST(ScratchBuffer, KeepsFourZeroBytesPastItsSize) {
  ScratchBuffer buffer(6);
  EXPECT_EQ(buffer.size(), 6u);
  for (uint32_t i = 0; i < 10; ++i) EXPECT_EQ(buffer.data()[i], 0) << i;
  std::memset(buffer.data(), 'x', 6);  // the platform fills all of it
  EXPECT_EQ(std::strlen(buffer.narrow()), 6u);
}

TEST(ScratchBuffer, ResizeKeepsTheCommonPrefixAndZeroesTheRest) {
  ScratchBuffer buffer(4);
  std::memcpy(buffer.data(), "abcd", 4);
  buffer.Resize(8);
  EXPECT_EQ(std::memcmp(buffer.data(), "abcd\0\0\0\0\0\0\0\0", 12), 0);
  buffer.Resize(2);
  EXPECT_EQ(std::memcmp(buffer.data(), "ab\0\0\0\0", 6), 0);
}

TEST(ScratchBuffer, AppendsLittleEndianValuesAndTerminatedText) {
  ScratchBuffer buffer;
  buffer.AppendUnit16(0x1234);
  buffer.AppendTwo32(0x01020304, 0xA0B0C0D0);
  buffer.AppendWide(L"hi");
  ASSERT_EQ(buffer.size(), 2u + 8u + 4u);
  const unsigned char expected[] = {0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0xD0, 0xC0, 0xB0, 0xA0, 'h', 0, 'i', 0, 0, 0};
  EXPECT_EQ(std::memcmp(buffer.data(), expected, sizeof expected), 0);
  EXPECT_STREQ(reinterpret_cast<const wchar_t*>(buffer.data() + 10), L"hi");
  buffer.Release();
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(buffer.data(), nullptr);
}

TEST(CoreVersion, HasTheBuildStampFormat) {
  const std::string version = natives::CoreVersionText();
  EXPECT_TRUE(std::regex_match(
      version, std::regex(R"(ver\.(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d{4}\.\d\d:\d\d:\d\d)")))
      << version;
}

}  // namespace
