// Registry value data as page text: up to the first zero character, never past the data.
#include "services/registry_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> BytesOf(const std::wstring& text) {
  std::vector<uint8_t> bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  return bytes;
}

TEST(RegistryText, StopsAtTheFirstZeroCharacter) {
  const std::vector<uint8_t> bytes = BytesOf(std::wstring(L"abc\0def\0", 8));
  EXPECT_EQ(registry::TextOfValueData(bytes.data(), bytes.size()), L"abc");
}

TEST(RegistryText, DataFillingTheBufferWithoutTerminatorEndWithTheData) {
  // A whole 8192-byte query buffer of text, followed in memory by more non-zero bytes.
  std::vector<uint8_t> buffer = BytesOf(std::wstring(4096, L'x') + L"tail");
  const std::wstring text = registry::TextOfValueData(buffer.data(), 8192);
  EXPECT_EQ(text.size(), 4096u);
  EXPECT_EQ(text, std::wstring(4096, L'x'));
}

TEST(RegistryText, AnOddLastByteIsACharacterWithAZeroHighByte) {
  const uint8_t bytes[] = {'A', 0, 'B', 'C', 'D'};
  EXPECT_EQ(registry::TextOfValueData(bytes, 5), std::wstring(L"A\x4342"
                                                              L"D"));
}

TEST(RegistryText, NonTextDataReadAsCharacters) {
  const uint32_t number = 0x00420041;  // a DWORD whose bytes spell "AB"
  EXPECT_EQ(registry::TextOfValueData(reinterpret_cast<const uint8_t*>(&number), 4), L"AB");
  EXPECT_EQ(registry::TextOfValueData(nullptr, 0), L"");
}

}  // namespace
