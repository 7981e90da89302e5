#include "css/css_values.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text.h"

namespace css {
namespace {

struct NamedColor {
  const char* name;
  unsigned rgb;
};
const NamedColor kColors[] = {
    {"black", 0x000000},     {"white", 0xFFFFFF},    {"red", 0xFF0000},       {"green", 0x008000},
    {"blue", 0x0000FF},      {"yellow", 0xFFFF00},   {"cyan", 0x00FFFF},      {"aqua", 0x00FFFF},
    {"magenta", 0xFF00FF},   {"fuchsia", 0xFF00FF},  {"gray", 0x808080},      {"grey", 0x808080},
    {"silver", 0xC0C0C0},    {"maroon", 0x800000},   {"olive", 0x808000},     {"lime", 0x00FF00},
    {"navy", 0x000080},      {"purple", 0x800080},   {"teal", 0x008080},      {"orange", 0xFFA500},
    {"pink", 0xFFC0CB},      {"brown", 0xA52A2A},    {"gold", 0xFFD700},      {"darkgray", 0xA9A9A9},
    {"lightgray", 0xD3D3D3}, {"darkblue", 0x00008B}, {"darkred", 0x8B0000},   {"darkgreen", 0x006400},
    {"orangered", 0xFF4500}, {"skyblue", 0x87CEEB},  {"steelblue", 0x4682B4}, {"whitesmoke", 0xF5F5F5},
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<double> Number(std::string_view s, std::string* unit) {
  std::string str(text::Trim(s));
  if (str.empty()) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(str.c_str(), &end);
  if (end == str.c_str() || !std::isfinite(v)) return std::nullopt;
  if (unit) *unit = text::AsciiLower(text::Trim(std::string_view(end)));
  else if (*end) return std::nullopt;
  return v;
}

float Clamp(double v, double lo, double hi) { return static_cast<float>(v < lo ? lo : v > hi ? hi : v); }

}  // namespace

std::optional<Color> ParseColor(std::string_view raw) {
  std::string v = text::AsciiLower(text::Trim(raw));
  if (v.empty()) return std::nullopt;
  if (v == "transparent") return Color{};
  if (v[0] == '#') {
    std::string h = v.substr(1);
    for (char c : h) {
      if (Hex(c) < 0) return std::nullopt;
    }
    if (h.size() == 3 || h.size() == 4) {
      Color c{Hex(h[0]) * 17.f, Hex(h[1]) * 17.f, Hex(h[2]) * 17.f, 1.f};
      if (h.size() == 4) c.a = Hex(h[3]) * 17.f / 255.f;
      return c;
    }
    if (h.size() == 6 || h.size() == 8) {
      auto byte = [&](size_t i) { return static_cast<float>(Hex(h[i]) * 16 + Hex(h[i + 1])); };
      Color c{byte(0), byte(2), byte(4), 1.f};
      if (h.size() == 8) c.a = byte(6) / 255.f;
      return c;
    }
    return std::nullopt;
  }
  if (v.rfind("rgb", 0) == 0) {
    size_t open = v.find('('), close = v.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    std::string inner = v.substr(open + 1, close - open - 1);
    for (char& c : inner) {
      if (c == ',' || c == '/') c = ' ';
    }
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < inner.size()) {
      while (i < inner.size() && inner[i] == ' ') ++i;
      size_t j = i;
      while (j < inner.size() && inner[j] != ' ') ++j;
      if (j > i) parts.push_back(inner.substr(i, j - i));
      i = j;
    }
    if (parts.size() != 3 && parts.size() != 4) return std::nullopt;
    Color c{0, 0, 0, 1.f};
    float* channels[] = {&c.r, &c.g, &c.b};
    for (size_t k = 0; k < 3; ++k) {
      std::string unit;
      auto n = Number(parts[k], &unit);
      if (!n) return std::nullopt;
      *channels[k] = unit == "%" ? Clamp(*n * 2.55, 0, 255) : Clamp(*n, 0, 255);
    }
    if (parts.size() == 4) {
      std::string unit;
      auto n = Number(parts[3], &unit);
      if (!n) return std::nullopt;
      c.a = unit == "%" ? Clamp(*n / 100, 0, 1) : Clamp(*n, 0, 1);
    }
    return c;
  }
  for (const NamedColor& n : kColors) {
    if (v == n.name) {
      return Color{static_cast<float>(n.rgb >> 16), static_cast<float>((n.rgb >> 8) & 0xFF),
                   static_cast<float>(n.rgb & 0xFF), 1.f};
    }
  }
  return std::nullopt;
}

std::optional<Color> FindColor(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && text::IsSpace(s[i])) ++i;
    size_t j = i;
    int depth = 0;
    while (j < s.size() && (depth > 0 || !text::IsSpace(s[j]))) {
      if (s[j] == '(') ++depth;
      if (s[j] == ')') --depth;
      ++j;
    }
    if (auto c = ParseColor(s.substr(i, j - i))) return c;
    i = j;
  }
  return std::nullopt;
}

std::optional<double> ParseLength(std::string_view value, double percentBase) {
  std::string unit;
  auto n = Number(value, &unit);
  if (!n) return std::nullopt;
  if (unit.empty() || unit == "px") return *n;
  if (unit == "%") return *n * percentBase / 100.0;
  if (unit == "em" || unit == "rem") return *n * 16.0;
  if (unit == "pt") return *n * 4.0 / 3.0;
  return std::nullopt;
}

}  // namespace css
