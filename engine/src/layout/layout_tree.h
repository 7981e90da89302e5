#pragma once
// The layout tree behind layout::Build: one box per rendered element or text, with the used
// geometry that block, inline and flex formatting give it. Internal to the layout code.
#include <memory>
#include <string>
#include <vector>

#include "css/css_style.h"
#include "layout/layout.h"

namespace layout {

struct Fragment {
  Rect rect;
  std::wstring text;  // text boxes
  double ascent = 0;  // text boxes: baseline below rect.y
};

struct LBox {
  enum class Kind : unsigned char { Block, Inline, Atomic, Text, Break };
  Kind kind = Kind::Block;
  dom::Node* node = nullptr;
  style::Style st;
  bool flex = false;
  bool image = false;
  bool anonymous = false;
  std::shared_ptr<const images::Image> picture;
  std::wstring text;
  std::vector<std::unique_ptr<LBox>> kids;
  LBox* parent = nullptr;
  // Used values: border box in page coordinates, and the edges.
  double x = 0, y = 0, w = 0, h = 0;
  double m[4] = {0, 0, 0, 0}, b[4] = {0, 0, 0, 0}, p[4] = {0, 0, 0, 0};
  std::vector<Fragment> frags;  // text and inline boxes: one per line piece
  std::vector<LBox*> absKids;   // out-of-flow descendants this box is the containing block of
  double staticX = 0, staticY = 0;
  double relativeY = 0;      // offset of position: relative, which the flow does not see
  bool hasBaseline = false;  // baseline: of its last line box, in page coordinates
  double baseline = 0;
};

struct Ctx {
  Resources* resources = nullptr;
  double viewW = 0, viewH = 0;
  std::vector<LBox*> viewportKids;  // out-of-flow boxes placed against the view
};

// The boxes of root and its descendants with their computed styles.
std::unique_ptr<LBox> MakeTree(const css::StyleSheet& sheet, Ctx& c, dom::Node* root);
// Places an absolutely positioned or fixed box inside its containing block's padding box.
void LayoutAbsolute(LBox& a, const Rect& cb, Ctx& c);

// Shared by the formatting code.
void ResolveEdges(LBox& b, double cbW);
void Translate(LBox& b, double dx, double dy);
// Lays b out with its margin box's top-left at (x, y); force* are border-box sizes.
void LayoutBox(LBox& b, double x, double y, double cbW, double cbH, Ctx& c, double forceW = -1, double forceH = -1);
// Border-box width that b would take without constraint (max) or at its narrowest (min).
double Intrinsic(LBox& b, bool minimum, Ctx& c);
// Width an atomic or absolutely positioned box takes when its width is auto.
double ShrinkToFit(LBox& b, double available, Ctx& c);
double HorizontalEdges(const LBox& b);
double VerticalEdges(const LBox& b);
// Notes the static position of an out-of-flow box and hands it to its containing block.
void PlaceOutOfFlow(LBox& b, double x, double y, Ctx& c);
fonts::Key FontOf(const style::Style& s);

// Inline formatting of kids [first, last) of container; returns the height of the lines.
double LayoutInline(LBox& container, size_t first, size_t last, double x, double y, double width, Ctx& c);
// Widest line (max) or widest unbreakable piece (min) of an inline run.
double InlineIntrinsic(LBox& container, size_t first, size_t last, bool minimum, Ctx& c);
// Flex formatting of b's items inside its content box; returns the content height.
double LayoutFlex(LBox& b, double x, double y, double width, double height, Ctx& c);
double FlexIntrinsic(LBox& b, bool minimum, Ctx& c);

}  // namespace layout
