#include "css/style.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/text.h"
#include "css/css_shorthands.h"

namespace style {
namespace {

struct Context {
  const css::ComputedStyle& cascaded;
  double fontSize;      // the element's own font size, for em
  double rootFontSize;  // for rem
};

const std::string* Find(const Context& c, const char* property) {
  auto it = c.cascaded.find(property);
  if (it == c.cascaded.end()) return nullptr;
  return &it->second;
}

std::string Keyword(const Context& c, const char* property) {
  const std::string* v = Find(c, property);
  return v ? text::AsciiLower(text::Trim(*v)) : std::string();
}

double Finite(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

std::optional<Length> ParseLen(std::string_view raw, const Context& c, bool allowAuto) {
  std::string v = text::AsciiLower(text::Trim(raw));
  if (v.empty()) return std::nullopt;
  if (v == "auto" || v == "none") {
    if (allowAuto) return Length{};
    return std::nullopt;
  }
  char* end = nullptr;
  double n = std::strtod(v.c_str(), &end);
  if (end == v.c_str() || !std::isfinite(n)) return std::nullopt;
  // Lengths stay within a range where every sum and product of the layout is finite.
  n = std::clamp(n, -1e6, 1e6);
  std::string unit = std::string(text::Trim(end));
  if (unit.empty() || unit == "px") return Px(n);
  if (unit == "%") return Length{Length::Percent, n};
  if (unit == "em") return Px(n * c.fontSize);
  if (unit == "rem") return Px(n * c.rootFontSize);
  if (unit == "pt") return Px(n * 4.0 / 3.0);
  if (unit == "vw" || unit == "vh") return std::nullopt;
  return std::nullopt;
}

void Len(const Context& c, const char* property, Length& out, bool allowAuto) {
  if (const std::string* v = Find(c, property)) {
    if (auto l = ParseLen(*v, c, allowAuto)) out = *l;
  }
}

double BorderWidth(const std::string& v, const Context& c) {
  if (v == "thin") return 1;
  if (v == "medium") return 3;
  if (v == "thick") return 5;
  auto l = ParseLen(v, c, false);
  return l && l->kind == Length::Px && l->value > 0 ? l->value : 0;
}

std::optional<css::Color> ColorOf(const std::string& raw, const css::Color& current) {
  std::string v = text::AsciiLower(text::Trim(raw));
  if (v == "currentcolor" || v == "inherit") return current;
  return css::ParseColor(v);
}

std::wstring UrlOf(std::string_view raw) {
  std::string_view v = text::Trim(raw);
  if (v.size() < 5 || !text::EqualsIgnoreCase(v.substr(0, 4), "url(")) return {};
  size_t close = v.rfind(')');
  if (close == std::string_view::npos) return {};
  std::string_view inner = text::Trim(v.substr(4, close - 4));
  if (inner.size() >= 2 && (inner[0] == '"' || inner[0] == '\'') && inner.back() == inner[0])
    inner = inner.substr(1, inner.size() - 2);
  return text::CesuToWide(inner);
}

Align AlignOf(const std::string& v, Align fallback) {
  if (v == "stretch") return Align::Stretch;
  if (v == "flex-start" || v == "start" || v == "self-start") return Align::Start;
  if (v == "flex-end" || v == "end" || v == "self-end") return Align::End;
  if (v == "center") return Align::Center;
  if (v == "baseline") return Align::Baseline;
  return fallback;
}

void Inherited(Style& s, const Style& parent) {
  s.color = parent.color;
  s.fontFamily = parent.fontFamily;
  s.fontSize = parent.fontSize;
  s.fontWeight = parent.fontWeight;
  s.italic = parent.italic;
  s.lineHeight = parent.lineHeight;
  s.textAlign = parent.textAlign;
  s.letterSpacing = parent.letterSpacing;
  s.whiteSpace = parent.whiteSpace;
  s.visible = parent.visible;
  s.cursor = parent.cursor;
  s.underline = parent.underline;
  s.lineThrough = parent.lineThrough;
}

}  // namespace

Style Inherit(const Style& parent) {
  Style s;
  Inherited(s, parent);
  return s;
}

bool IsPositioned(const Style& s) { return s.position != Position::Static; }
bool IsOutOfFlow(const Style& s) { return s.position == Position::Absolute || s.position == Position::Fixed; }

Style Resolve(const css::ComputedStyle& cascaded, const Style* parent, double rootFontSize) {
  Style s;
  if (parent) Inherited(s, *parent);
  double parentSize = parent ? parent->fontSize : 16;
  Context c{cascaded, parentSize, rootFontSize};

  // Font size first: em units of every other property refer to it.
  if (const std::string* v = Find(c, "font-size")) {
    std::string k = text::AsciiLower(text::Trim(*v));
    static const std::pair<const char*, double> kNamed[] = {{"xx-small", 9}, {"x-small", 10}, {"small", 13},
                                                            {"medium", 16},  {"large", 18},   {"x-large", 24},
                                                            {"xx-large", 32}};
    bool named = false;
    for (const auto& [name, px] : kNamed) {
      if (k == name) s.fontSize = px, named = true;
    }
    if (k == "larger") s.fontSize = parentSize * 1.2, named = true;
    if (k == "smaller") s.fontSize = parentSize / 1.2, named = true;
    if (!named) {
      if (auto l = ParseLen(k, c, false)) s.fontSize = l->Resolve(parentSize, parentSize);
    }
    s.fontSize = std::clamp(s.fontSize, 0.0, 1000.0);
  }
  c.fontSize = s.fontSize;

  std::string display = Keyword(c, "display");
  if (display == "none") s.display = Display::None;
  else if (display == "block" || display == "list-item" || display == "table" || display == "table-row" ||
           display == "table-cell" || display == "flow-root" || display == "table-row-group")
    s.display = Display::Block;
  else if (display == "inline-block" || display == "inline-table") s.display = Display::InlineBlock;
  else if (display == "flex") s.display = Display::Flex;
  else if (display == "inline-flex") s.display = Display::InlineFlex;
  else s.display = Display::Inline;

  std::string position = Keyword(c, "position");
  if (position == "relative") s.position = Position::Relative;
  else if (position == "absolute") s.position = Position::Absolute;
  else if (position == "fixed") s.position = Position::Fixed;
  else if (position == "sticky") s.position = Position::Relative;

  Len(c, "width", s.width, true);
  Len(c, "height", s.height, true);
  Len(c, "min-width", s.minWidth, false);
  Len(c, "min-height", s.minHeight, false);
  Len(c, "max-width", s.maxWidth, true);
  Len(c, "max-height", s.maxHeight, true);
  static const char* const kMargin[] = {"margin-top", "margin-right", "margin-bottom", "margin-left"};
  static const char* const kPadding[] = {"padding-top", "padding-right", "padding-bottom", "padding-left"};
  static const char* const kInset[] = {"top", "right", "bottom", "left"};
  static const char* const kBorderWidth[] = {"border-top-width", "border-right-width", "border-bottom-width",
                                             "border-left-width"};
  static const char* const kBorderStyle[] = {"border-top-style", "border-right-style", "border-bottom-style",
                                             "border-left-style"};
  static const char* const kBorderColor[] = {"border-top-color", "border-right-color", "border-bottom-color",
                                             "border-left-color"};
  static const char* const kRadius[] = {"border-top-left-radius", "border-top-right-radius",
                                        "border-bottom-right-radius", "border-bottom-left-radius"};

  // Colour before borders: currentcolor is the default border colour.
  if (const std::string* v = Find(c, "color")) {
    if (auto col = ColorOf(*v, s.color)) s.color = *col;
  }
  for (int i = 0; i < 4; ++i) {
    Len(c, kMargin[i], s.margin[i], true);
    Len(c, kPadding[i], s.padding[i], false);
    Len(c, kInset[i], s.inset[i], true);
    Len(c, kRadius[i], s.radius[i], false);
    std::string st = Keyword(c, kBorderStyle[i]);
    s.borderColor[i] = s.color;
    if (const std::string* v = Find(c, kBorderColor[i])) {
      if (auto col = ColorOf(*v, s.color)) s.borderColor[i] = *col;
    }
    if (!st.empty() && st != "none" && st != "hidden") {
      std::string w = Keyword(c, kBorderWidth[i]);
      s.border[i] = BorderWidth(w.empty() ? "medium" : w, c);
      s.borderInset[i] = st == "inset" || st == "groove";
      s.borderOutset[i] = st == "outset" || st == "ridge";
    }
  }
  s.borderBox = Keyword(c, "box-sizing") == "border-box";
  std::string z = Keyword(c, "z-index");
  if (!z.empty() && z != "auto") s.zIndex = std::atoi(z.c_str());
  if (const std::string* v = Find(c, "opacity")) {
    double o = Finite(std::strtod(v->c_str(), nullptr), 1);
    if (v->find('%') != std::string::npos) o /= 100;
    s.opacity = static_cast<float>(o < 0 ? 0 : o > 1 ? 1 : o);
  }
  for (const char* p : {"overflow-x", "overflow-y"}) {
    std::string o = Keyword(c, p);
    if (o == "hidden" || o == "scroll" || o == "auto" || o == "clip") s.overflowHidden = true;
  }

  if (const std::string* v = Find(c, "background-color")) {
    if (auto col = ColorOf(*v, s.color)) s.background = *col;
  }
  if (const std::string* v = Find(c, "background-image")) s.backgroundImage = text::WideToCesu(UrlOf(*v));
  std::string repeat = Keyword(c, "background-repeat");
  if (repeat == "no-repeat") s.backgroundRepeat = Repeat::None;
  else if (repeat == "repeat-x") s.backgroundRepeat = Repeat::X;
  else if (repeat == "repeat-y") s.backgroundRepeat = Repeat::Y;
  if (const std::string* v = Find(c, "background-position")) {
    std::vector<std::string> words = css::SplitWords(text::AsciiLower(*v));
    Length pos[2] = {{Length::Percent, 0}, {Length::Percent, 0}};
    int axisOfNext = 0;
    for (size_t i = 0; i < words.size() && i < 2; ++i) {
      const std::string& w = words[i];
      if (w == "left") pos[0] = {Length::Percent, 0}, axisOfNext = 1;
      else if (w == "right") pos[0] = {Length::Percent, 100}, axisOfNext = 1;
      else if (w == "top") pos[1] = {Length::Percent, 0}, axisOfNext = 0;
      else if (w == "bottom") pos[1] = {Length::Percent, 100}, axisOfNext = 0;
      else if (w == "center") {
        pos[i == 0 && words.size() == 1 ? 0 : axisOfNext] = {Length::Percent, 50};
        if (words.size() == 1) pos[1] = {Length::Percent, 50};
        axisOfNext = 1;
      } else if (auto l = ParseLen(w, c, false)) {
        pos[i] = *l;
        if (words.size() == 1) pos[1] = {Length::Percent, 50};
        axisOfNext = 1;
      }
    }
    s.backgroundPosition[0] = pos[0];
    s.backgroundPosition[1] = pos[1];
  }
  if (const std::string* v = Find(c, "background-size")) {
    std::string k = text::AsciiLower(text::Trim(*v));
    if (k == "cover") s.backgroundSize = SizeMode::Cover;
    else if (k == "contain") s.backgroundSize = SizeMode::Contain;
    else if (k != "auto") {
      std::vector<std::string> words = css::SplitWords(k);
      s.backgroundSize = SizeMode::Given;
      for (size_t i = 0; i < words.size() && i < 2; ++i) {
        if (auto l = ParseLen(words[i], c, true)) s.backgroundSizeGiven[i] = *l;
      }
    }
  }
  s.ellipsis = Keyword(c, "text-overflow") == "ellipsis";
  s.middle = Keyword(c, "vertical-align") == "middle";
  if (const std::string* v = Find(c, "text-decoration")) {
    std::string k = text::AsciiLower(*v);
    s.underline = k.find("underline") != std::string::npos;
    s.lineThrough = k.find("line-through") != std::string::npos;
  }

  std::string direction = Keyword(c, "flex-direction");
  s.column = direction.rfind("column", 0) == 0;
  s.reverse = direction.find("reverse") != std::string::npos;
  s.wrap = Keyword(c, "flex-wrap") == "wrap";
  std::string justify = Keyword(c, "justify-content");
  if (justify == "flex-end" || justify == "end" || justify == "right") s.justify = Justify::End;
  else if (justify == "center") s.justify = Justify::Center;
  else if (justify == "space-between") s.justify = Justify::SpaceBetween;
  else if (justify == "space-around") s.justify = Justify::SpaceAround;
  else if (justify == "space-evenly") s.justify = Justify::SpaceEvenly;
  s.alignItems = AlignOf(Keyword(c, "align-items"), Align::Stretch);
  std::string self = Keyword(c, "align-self");
  if (!self.empty() && self != "auto") s.alignSelf = AlignOf(self, s.alignItems);
  Length gap;
  Len(c, "row-gap", gap, false);
  s.rowGap = gap.Resolve(0);
  gap = {};
  Len(c, "column-gap", gap, false);
  s.columnGap = gap.Resolve(0);
  if (const std::string* v = Find(c, "flex-grow"))
    s.grow = std::clamp(Finite(std::strtod(v->c_str(), nullptr), 0), 0.0, 1e6);
  if (const std::string* v = Find(c, "flex-shrink"))
    s.shrink = std::clamp(Finite(std::strtod(v->c_str(), nullptr), 1), 0.0, 1e6);
  Len(c, "flex-basis", s.basis, true);

  if (const std::string* v = Find(c, "font-family")) {
    if (text::AsciiLower(text::Trim(*v)) != "inherit") s.fontFamily = text::CesuToWide(*v);
  }
  std::string weight = Keyword(c, "font-weight");
  if (weight == "bold") s.fontWeight = 700;
  else if (weight == "normal") s.fontWeight = 400;
  else if (weight == "bolder") s.fontWeight = std::min(900, s.fontWeight + 300);
  else if (weight == "lighter") s.fontWeight = std::max(100, s.fontWeight - 300);
  else if (!weight.empty() && weight != "inherit") s.fontWeight = std::atoi(weight.c_str());
  std::string fontStyle = Keyword(c, "font-style");
  if (fontStyle == "italic" || fontStyle == "oblique") s.italic = true;
  else if (fontStyle == "normal") s.italic = false;
  if (const std::string* v = Find(c, "line-height")) {
    std::string k = text::AsciiLower(text::Trim(*v));
    char* end = nullptr;
    double n = std::clamp(Finite(std::strtod(k.c_str(), &end), 0), 0.0, 1e4);
    if (k == "normal") s.lineHeight = 0;
    else if (end != k.c_str() && *end == '\0') s.lineHeight = n * s.fontSize;  // a factor
    else if (auto l = ParseLen(k, c, false)) s.lineHeight = l->Resolve(s.fontSize, 0);
  }
  std::string align = Keyword(c, "text-align");
  if (align == "center") s.textAlign = TextAlign::Center;
  else if (align == "right" || align == "end") s.textAlign = TextAlign::Right;
  else if (align == "left" || align == "start" || align == "justify") s.textAlign = TextAlign::Left;
  if (const std::string* v = Find(c, "letter-spacing")) {
    if (auto l = ParseLen(*v, c, false)) s.letterSpacing = l->Resolve(0);
    else if (text::AsciiLower(text::Trim(*v)) == "normal") s.letterSpacing = 0;
  }
  std::string ws = Keyword(c, "white-space");
  if (ws == "nowrap") s.whiteSpace = WhiteSpace::NoWrap;
  else if (ws == "pre") s.whiteSpace = WhiteSpace::Pre;
  else if (ws == "pre-wrap" || ws == "pre-line" || ws == "break-spaces") s.whiteSpace = WhiteSpace::PreWrap;
  else if (ws == "normal") s.whiteSpace = WhiteSpace::Normal;
  std::string vis = Keyword(c, "visibility");
  if (vis == "hidden" || vis == "collapse") s.visible = false;
  else if (vis == "visible") s.visible = true;
  std::string cursor = Keyword(c, "cursor");
  if (cursor == "pointer") s.cursor = Cursor::Pointer;
  else if (cursor == "text") s.cursor = Cursor::Text;
  else if (cursor == "move" || cursor == "grab" || cursor == "all-scroll") s.cursor = Cursor::Move;
  else if (cursor == "default") s.cursor = Cursor::Default;
  else if (cursor == "auto") s.cursor = Cursor::Auto;
  return s;
}

}  // namespace style
