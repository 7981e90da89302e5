#include "arguments.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

using langset::ToUnsigned;
using Arguments = std::vector<std::wstring>;

namespace {

Arguments SplitCommandLine(const wchar_t* commandLine) {
  std::wstring buffer(std::wcslen(commandLine) + 1, L'#');
  const wchar_t* pointers[16] = {};
  const size_t count = langset::SplitCommandLine(commandLine, buffer.data(), pointers, 16);
  Arguments arguments;
  for (size_t i = 0; i < count && i < 16; ++i) arguments.emplace_back(pointers[i]);
  return arguments;
}

}  // namespace

struct SplitCase {
  const wchar_t* commandLine;
  Arguments expected;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << testing::PrintToString(std::wstring(c.commandLine)); }

class Splitter : public testing::TestWithParam<SplitCase> {};

TEST_P(Splitter, SplitsLikeLangset) { EXPECT_EQ(SplitCommandLine(GetParam().commandLine), GetParam().expected); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    CommandLines, Splitter,
    testing::Values(
        SplitCase{L"", {}},
        SplitCase{L"   \t ", {}},
        SplitCase{L"langset.exe", {L"langset.exe"}},
        SplitCase{L"\"C:\\Program Files\\langset.exe\" 5 1", {L"C:\\Program Files\\langset.exe", L"5", L"1"}},
        SplitCase{L"a   b\t\tc\r\nd", {L"a", L"b", L"c", L"d"}},
        SplitCase{L"  leading and trailing  ", {L"leading", L"and", L"trailing"}},
        // Quotes may open and close anywhere; the quote characters are dropped.
        SplitCase{L"x ab\"c d\"e f", {L"x", L"abc de", L"f"}},
        SplitCase{L"x \"5\" \"1\"", {L"x", L"5", L"1"}},
        // A pair of quotes then a blank gives an empty argument.
        SplitCase{L"x \"\" 2", {L"x", L"", L"2"}},
        SplitCase{L"x \"\"", {L"x", L""}},
        // No backslash escapes: a backslash is an ordinary character and cannot hide a quote.
        SplitCase{L"x a\\\"b c\" d", {L"x", L"a\\b c", L"d"}},
        SplitCase{L"x \\\\server\\share", {L"x", L"\\\\server\\share"}},
        // Unterminated quoted text runs to the end of the line.
        SplitCase{L"x \"open text", {L"x", L"open text"}},
        // Every character of the line can become part of an argument: the output fits.
        SplitCase{L"\"\"", {L""}},
        SplitCase{L"\"\"\"\" \"\"", {L"", L""}}));
// clang-format on

TEST(SplitterLimits, CountsArgumentsBeyondTheRecordedOnes) {
  wchar_t buffer[16];
  const wchar_t* pointers[2] = {};
  EXPECT_EQ(langset::SplitCommandLine(L"a b c d", buffer, pointers, 2), 4u);
  EXPECT_STREQ(pointers[0], L"a");
  EXPECT_STREQ(pointers[1], L"b");
}

struct ConversionCase {
  const wchar_t* text;
  uint32_t expected;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << testing::PrintToString(std::wstring(c.text)); }

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, ConvertsLikeTheStandardUnsignedConversion) {
  EXPECT_EQ(ToUnsigned(GetParam().text), GetParam().expected)
      << "text: " << testing::PrintToString(std::wstring(GetParam().text));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Numbers, Conversion,
    testing::Values(
        ConversionCase{L"0", 0}, ConversionCase{L"5", 5}, ConversionCase{L"+5", 5},
        ConversionCase{L"-1", 4294967295u}, ConversionCase{L"-5", 4294967291u}, ConversionCase{L"-0", 0},
        ConversionCase{L"7abc", 7}, ConversionCase{L"abc", 0}, ConversionCase{L"", 0},
        ConversionCase{L"-", 0}, ConversionCase{L"+-3", 0}, ConversionCase{L"  \t42", 42},
        ConversionCase{L"4 2", 4}, ConversionCase{L"4294967295", 4294967295u},
        ConversionCase{L"4294967296", 4294967295u}, ConversionCase{L"99999999999", 4294967295u},
        ConversionCase{L"-99999999999", 4294967295u},
        ConversionCase{L"000000000000000000000012", 12}));
// clang-format on
