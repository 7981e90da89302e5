#include "css/css_shorthands.h"

#include <cstdlib>

#include "core/text.h"
#include "css/css_values.h"

namespace css {
namespace {

const char* const kSides[] = {"top", "right", "bottom", "left"};
const char* const kCorners[] = {"top-left", "top-right", "bottom-right", "bottom-left"};

// One to four words for top, right, bottom, left.
std::vector<std::string> FourSides(const std::vector<std::string>& w) {
  switch (w.size()) {
    case 1: return {w[0], w[0], w[0], w[0]};
    case 2: return {w[0], w[1], w[0], w[1]};
    case 3: return {w[0], w[1], w[2], w[1]};
    case 4: return w;
    default: return {};
  }
}

bool IsBorderStyle(std::string_view w) {
  static const char* const kStyles[] = {"none",   "hidden", "solid", "dashed", "dotted",
                                        "double", "groove", "ridge", "inset",  "outset"};
  for (const char* s : kStyles) {
    if (w == s) return true;
  }
  return false;
}

bool IsLengthWord(std::string_view w) {
  return w == "thin" || w == "medium" || w == "thick" || ParseLength(w, 0).has_value();
}

void Border(std::vector<std::pair<std::string, std::string>>& out, const std::string& prefix, std::string_view value) {
  std::string width = "medium", style = "none", color = "currentcolor";
  for (const std::string& w : SplitWords(value)) {
    std::string lw = text::AsciiLower(w);
    if (IsBorderStyle(lw)) style = lw;
    else if (IsLengthWord(lw)) width = lw;
    else color = w;
  }
  out.push_back({prefix + "-width", width});
  out.push_back({prefix + "-style", style});
  out.push_back({prefix + "-color", color});
}

}  // namespace

std::vector<std::string> SplitWords(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && text::IsSpace(s[i])) ++i;
    size_t j = i;
    int depth = 0;
    char quote = 0;
    while (j < s.size() && (depth > 0 || quote || !text::IsSpace(s[j]))) {
      if (quote) {
        if (s[j] == quote) quote = 0;
      } else if (s[j] == '"' || s[j] == '\'') {
        quote = s[j];
      } else if (s[j] == '(') {
        ++depth;
      } else if (s[j] == ')') {
        --depth;
      }
      ++j;
    }
    if (j > i) out.emplace_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

std::vector<std::string> SplitCommas(std::string_view s) {
  std::vector<std::string> out;
  size_t start = 0;
  int depth = 0;
  char quote = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    char c = i < s.size() ? s[i] : ',';
    if (quote) {
      if (c == quote) quote = 0;
      if (i < s.size()) continue;
    }
    if (c == '"' || c == '\'') quote = c;
    else if (c == '(') ++depth;
    else if (c == ')') --depth;
    else if (c == ',' && depth <= 0) {
      out.emplace_back(text::Trim(s.substr(start, i - start)));
      start = i + 1;
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> ExpandShorthand(std::string_view property, std::string_view value) {
  std::vector<std::pair<std::string, std::string>> out;
  std::vector<std::string> words = SplitWords(value);
  if (property == "margin" || property == "padding" || property == "border-width" || property == "border-style" ||
      property == "border-color") {
    std::vector<std::string> four = FourSides(words);
    if (four.empty()) return out;
    std::string p(property);
    for (int i = 0; i < 4; ++i) {
      if (p == "margin" || p == "padding") out.push_back({p + "-" + kSides[i], four[i]});
      else out.push_back({"border-" + std::string(kSides[i]) + p.substr(6), four[i]});
    }
  } else if (property == "border") {
    for (const char* side : kSides) Border(out, std::string("border-") + side, value);
  } else if (property == "border-top" || property == "border-right" || property == "border-bottom" ||
             property == "border-left") {
    Border(out, std::string(property), value);
  } else if (property == "border-radius") {
    std::string_view v = value;
    size_t slash = v.find('/');
    if (slash != std::string_view::npos) v = v.substr(0, slash);
    std::vector<std::string> four = FourSides(SplitWords(v));
    if (four.empty()) return out;
    // top-left, top-right, bottom-right, bottom-left come in the same order as the sides.
    for (int i = 0; i < 4; ++i) out.push_back({std::string("border-") + kCorners[i] + "-radius", four[i]});
  } else if (property == "background") {
    std::string color = "transparent", image = "none", repeat = "repeat", position, size;
    bool afterSlash = false;
    for (const std::string& w : words) {
      std::string lw = text::AsciiLower(w);
      if (lw == "/") {
        afterSlash = true;
        continue;
      }
      if (lw.rfind("url(", 0) == 0 || lw.find("gradient(") != std::string::npos || lw == "none") image = w;
      else if (lw == "repeat" || lw == "no-repeat" || lw == "repeat-x" || lw == "repeat-y") repeat = lw;
      else if (ParseColor(lw)) color = w;
      else if (afterSlash || lw == "cover" || lw == "contain") size += (size.empty() ? "" : " ") + lw;
      else if (lw == "fixed" || lw == "scroll" || lw == "local" || lw.find("-box") != std::string::npos) continue;
      else position += (position.empty() ? "" : " ") + lw;
    }
    out.push_back({"background-color", color});
    out.push_back({"background-image", image});
    out.push_back({"background-repeat", repeat});
    out.push_back({"background-position", position.empty() ? "0% 0%" : position});
    out.push_back({"background-size", size.empty() ? "auto" : size});
  } else if (property == "font") {
    // [style] [weight] size[/line-height] family
    size_t i = 0;
    std::string style = "normal", weight = "normal";
    for (; i < words.size(); ++i) {
      std::string lw = text::AsciiLower(words[i]);
      if (lw == "italic" || lw == "oblique") style = lw;
      else if (lw == "bold" || lw == "bolder" || lw == "lighter" || (lw.size() == 3 && lw[1] == '0' && lw[2] == '0'))
        weight = lw;
      else if (lw == "normal" || lw == "small-caps") continue;
      else break;
    }
    if (i >= words.size()) return out;
    std::string size = words[i++];
    std::string lineHeight = "normal";
    size_t slash = size.find('/');
    if (slash != std::string::npos) {
      lineHeight = size.substr(slash + 1);
      size = size.substr(0, slash);
      if (lineHeight.empty() && i < words.size()) lineHeight = words[i++];
    } else if (i < words.size() && words[i] == "/" && i + 1 < words.size()) {
      lineHeight = words[i + 1];
      i += 2;
    } else if (i < words.size() && words[i][0] == '/') {
      lineHeight = words[i++].substr(1);
    }
    std::string family;
    for (; i < words.size(); ++i) family += (family.empty() ? "" : " ") + words[i];
    out.push_back({"font-style", style});
    out.push_back({"font-weight", weight});
    out.push_back({"font-size", size});
    out.push_back({"line-height", lineHeight});
    if (!family.empty()) out.push_back({"font-family", family});
  } else if (property == "flex") {
    std::string lw = words.size() == 1 ? text::AsciiLower(words[0]) : std::string();
    if (lw == "none") {
      out = {{"flex-grow", "0"}, {"flex-shrink", "0"}, {"flex-basis", "auto"}};
    } else if (lw == "auto") {
      out = {{"flex-grow", "1"}, {"flex-shrink", "1"}, {"flex-basis", "auto"}};
    } else if (!words.empty()) {
      std::string grow = "1", shrink = "1", basis = "0%";
      size_t n = 0;
      for (const std::string& w : words) {
        char* end = nullptr;
        std::strtod(w.c_str(), &end);
        bool plainNumber = end && *end == '\0';
        if (plainNumber && n == 0) grow = w, ++n;
        else if (plainNumber && n == 1) shrink = w, ++n;
        else basis = w;
      }
      out = {{"flex-grow", grow}, {"flex-shrink", shrink}, {"flex-basis", basis}};
    }
  } else if (property == "flex-flow") {
    for (const std::string& w : words) {
      std::string lw = text::AsciiLower(w);
      out.push_back({lw.find("wrap") != std::string::npos ? "flex-wrap" : "flex-direction", lw});
    }
  } else if (property == "gap") {
    if (words.empty() || words.size() > 2) return out;
    out.push_back({"row-gap", words[0]});
    out.push_back({"column-gap", words.size() == 2 ? words[1] : words[0]});
  } else if (property == "inset") {
    std::vector<std::string> four = FourSides(words);
    if (four.empty()) return out;
    for (int i = 0; i < 4; ++i) out.push_back({kSides[i], four[i]});
  } else if (property == "overflow") {
    if (words.empty()) return out;
    out.push_back({"overflow-x", words[0]});
    out.push_back({"overflow-y", words.size() > 1 ? words[1] : words[0]});
  }
  return out;
}

}  // namespace css
