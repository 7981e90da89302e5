#pragma once
// Computed style: the cascaded strings of one element turned into typed values, with the
// text properties inherited from the parent.
#include <optional>
#include <string>

#include "css/css_style.h"
#include "css/css_values.h"

namespace style {

struct Length {
  enum Kind : unsigned char { Auto, Px, Percent } kind = Auto;
  double value = 0;
  bool IsAuto() const { return kind == Auto; }
  // Pixels; percentages of base (a negative base means unknown: fallback).
  double Resolve(double base, double fallback = 0) const {
    if (kind == Px) return value;
    if (kind == Percent) return base < 0 ? fallback : value * base / 100.0;
    return fallback;
  }
};
inline Length Px(double v) { return {Length::Px, v}; }

enum class Display : unsigned char { None, Block, Inline, InlineBlock, Flex, InlineFlex };
enum class Position : unsigned char { Static, Relative, Absolute, Fixed };
enum class TextAlign : unsigned char { Left, Center, Right };
enum class WhiteSpace : unsigned char { Normal, NoWrap, Pre, PreWrap };
enum class Repeat : unsigned char { Both, None, X, Y };
enum class SizeMode : unsigned char { Auto, Cover, Contain, Given };
enum class Align : unsigned char { Stretch, Start, End, Center, Baseline };
enum class Justify : unsigned char { Start, End, Center, SpaceBetween, SpaceAround, SpaceEvenly };
enum class Cursor : unsigned char { Auto, Default, Pointer, Text, Move };

enum Side { kTop = 0, kRight = 1, kBottom = 2, kLeft = 3 };

struct Style {
  Display display = Display::Inline;
  Position position = Position::Static;
  Length width, height, minWidth = Px(0), minHeight = Px(0), maxWidth, maxHeight;  // max: Auto = none
  Length margin[4] = {Px(0), Px(0), Px(0), Px(0)};
  Length padding[4] = {Px(0), Px(0), Px(0), Px(0)};
  Length inset[4];  // top, right, bottom, left
  double border[4] = {0, 0, 0, 0};
  css::Color borderColor[4];
  bool borderInset[4] = {false, false, false, false};  // inset/outset shading
  bool borderOutset[4] = {false, false, false, false};
  Length radius[4] = {Px(0), Px(0), Px(0), Px(0)};  // top-left, top-right, bottom-right, bottom-left
  bool borderBox = false;
  std::optional<int> zIndex;
  float opacity = 1.f;
  bool overflowHidden = false;
  css::Color background;        // transparent by default
  std::string backgroundImage;  // the url() reference, empty for none
  Repeat backgroundRepeat = Repeat::Both;
  Length backgroundPosition[2] = {{Length::Percent, 0}, {Length::Percent, 0}};
  SizeMode backgroundSize = SizeMode::Auto;
  Length backgroundSizeGiven[2];
  bool ellipsis = false;
  bool underline = false, lineThrough = false;
  bool middle = false;  // vertical-align: middle (else baseline)
  // Flex container and item.
  bool column = false, reverse = false, wrap = false;
  Justify justify = Justify::Start;
  Align alignItems = Align::Stretch;
  std::optional<Align> alignSelf;
  double rowGap = 0, columnGap = 0;
  double grow = 0, shrink = 1;
  Length basis;
  // Inherited.
  css::Color color{0, 0, 0, 1};
  std::wstring fontFamily;  // as written: "Segoe UI", Arial, sans-serif
  double fontSize = 16;
  int fontWeight = 400;
  bool italic = false;
  double lineHeight = 0;  // pixels; 0 = normal
  TextAlign textAlign = TextAlign::Left;
  double letterSpacing = 0;
  WhiteSpace whiteSpace = WhiteSpace::Normal;
  bool visible = true;
  Cursor cursor = Cursor::Auto;
};

// Typed style of an element from its cascaded values; parent is the parent's computed style
// (nullptr for the root), rootFontSize the root's font size for rem.
Style Resolve(const css::ComputedStyle& cascaded, const Style* parent, double rootFontSize);
// The style of anonymous boxes and text: the inherited properties of parent only.
Style Inherit(const Style& parent);

bool IsPositioned(const Style& s);
bool IsOutOfFlow(const Style& s);

}  // namespace style
