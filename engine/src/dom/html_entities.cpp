#include "dom/html_entities.h"

#include <cstdlib>

#include "core/text.h"

namespace html {
namespace {

struct Named {
  const char* name;
  unsigned cp;
};
const Named kNamed[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},      {"apos", '\''},    {"nbsp", 0xA0},
    {"copy", 0xA9},    {"reg", 0xAE},     {"trade", 0x2122}, {"hellip", 0x2026}, {"mdash", 0x2014}, {"ndash", 0x2013},
    {"times", 0xD7},   {"middot", 0xB7},  {"laquo", 0xAB},   {"raquo", 0xBB},    {"lsquo", 0x2018}, {"rsquo", 0x2019},
    {"ldquo", 0x201C}, {"rdquo", 0x201D}, {"bull", 0x2022},  {"deg", 0xB0},      {"yen", 0xA5},     {"euro", 0x20AC},
};

}  // namespace

std::string DecodeEntities(std::string_view s) {
  if (s.find('&') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '&') {
      out.push_back(s[i++]);
      continue;
    }
    size_t semi = s.find(';', i);
    if (semi == std::string_view::npos || semi - i > 12) {
      out.push_back(s[i++]);
      continue;
    }
    std::string_view name = s.substr(i + 1, semi - i - 1);
    unsigned cp = 0;
    if (!name.empty() && name[0] == '#') {
      std::string digits(name.substr(1));
      bool hex = !digits.empty() && (digits[0] == 'x' || digits[0] == 'X');
      if (hex) digits.erase(0, 1);
      char* end = nullptr;
      unsigned long v = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
      if (end && *end == '\0' && v > 0 && v <= 0x10FFFF) cp = static_cast<unsigned>(v);
    } else {
      for (const Named& n : kNamed) {
        if (name == n.name) cp = n.cp;
      }
    }
    if (cp == 0) {
      out.push_back(s[i++]);
      continue;
    }
    text::AppendCodePoint(out, cp);
    i = semi + 1;
  }
  return out;
}

}  // namespace html
