#include "arguments.h"

namespace langset {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

}  // namespace

size_t SplitCommandLine(const wchar_t* commandLine, wchar_t* buffer, const wchar_t** arguments, size_t maxArguments) {
  size_t count = 0;
  if (!commandLine) return 0;
  wchar_t* out = buffer;
  const wchar_t* start = buffer;
  bool building = false;
  bool quoted = false;
  auto finish = [&] {
    *out++ = L'\0';
    if (count < maxArguments) arguments[count] = start;
    ++count;
    start = out;
    building = false;
  };
  for (const wchar_t* p = commandLine; *p; ++p) {
    const wchar_t c = *p;
    if (quoted) {
      if (c == L'"') quoted = false;
      else *out++ = c;
    } else if (IsBlank(c)) {
      if (building) finish();
    } else if (c == L'"') {
      quoted = true;
      building = true;
    } else {
      *out++ = c;
      building = true;
    }
  }
  if (building) finish();
  return count;
}

uint32_t ToUnsigned(const wchar_t* text) {
  constexpr uint64_t kMax = 0xFFFFFFFFull;
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
  uint64_t value = 0;
  bool overflow = false;
  for (; *text >= L'0' && *text <= L'9'; ++text) {
    value = value * 10 + static_cast<uint64_t>(*text - L'0');
    if (value > kMax) {
      overflow = true;
      value = kMax;
    }
  }
  if (overflow) return static_cast<uint32_t>(kMax);
  const auto result = static_cast<uint32_t>(value);
  return negative ? 0u - result : result;
}

}  // namespace langset
