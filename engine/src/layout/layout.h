#pragma once
// Turns the document into boxes to paint and to hit-test: the cascade gives every element its
// computed style, block, inline and flex formatting place the boxes, and the result is a flat
// list of items in painting order (backgrounds and borders, text runs, images), each with
// its clip and opacity. Hit-testing walks the same list from the top.
//
// Painting order: in-flow content in document order; positioned elements after the in-flow
// content of their nearest positioned ancestor (or the page), sorted by z-index (auto = 0),
// each painting its own positioned descendants after its content. Opacity paints
// a translucent element as one layer (BeginGroup/EndGroup items around its content; positioned
// descendants painted later by an ancestor take its opacity multiplied in instead). Clipping by
// overflow is to the padding box, with its inner rounded corners.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "css/css_values.h"
#include "css/style.h"
#include "dom/dom.h"
#include "platform/fonts.h"
#include "platform/images.h"

namespace layout {

struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
  bool Contains(double px, double py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

struct Clip {
  bool active = false;
  Rect rect;
  double radius[4] = {0, 0, 0, 0};  // top-left, top-right, bottom-right, bottom-left
};

struct TextRun {
  std::wstring text;
  fonts::Key font;
  double letterSpacing = 0;
  double ascent = 0;  // baseline below the top of the item's rect
  bool underline = false, lineThrough = false;
};

struct Box {
  enum class Kind : unsigned char { Block, Text, Image, BeginGroup, EndGroup };
  Kind kind = Kind::Block;
  dom::Node* node = nullptr;  // the element (for text: the element holding it)
  Rect rect;                  // border box, text run box or image content box
  std::optional<css::Color> background;
  float opacity = 1.f;              // including the opacity of ancestors
  double border[4] = {0, 0, 0, 0};  // top, right, bottom, left
  css::Color borderColor[4];
  double radius[4] = {0, 0, 0, 0};  // top-left, top-right, bottom-right, bottom-left
  // Background image (Block) or the image itself (Image): one tile, repeated over the box.
  std::shared_ptr<const images::Image> image;
  Rect tile;
  bool repeatX = false, repeatY = false;
  std::shared_ptr<const TextRun> text;
  css::Color color;  // text colour
  Clip clip;
  bool paints = true;  // false: only hit-tested (visibility: hidden never gets here)
  style::Cursor cursor = style::Cursor::Auto;
};

struct Result {
  std::optional<css::Color> canvas;  // the root's background, else the body's
  std::vector<Box> boxes;            // in painting order
  bool usesHover = false, usesActive = false, usesFocus = false;
  std::optional<Rect> caret;  // the caret of the focused text field
};

// Where images come from: read(ref) gives the bytes of an image referenced by the page
// (resolved against the page's own name), decoded images are kept for the page's life.
struct Resources {
  std::function<std::optional<std::string>(const std::string& ref)> read;
  std::map<std::string, std::shared_ptr<const images::Image>> cache;
  std::shared_ptr<const images::Image> Get(const std::string& ref);
};

Result Build(const dom::Document* doc, int viewWidth, int viewHeight, Resources* resources = nullptr);

// The topmost box under the point, or nullptr.
const Box* HitBox(const Result& layout, double x, double y);
// Its element, or nullptr.
dom::Node* HitTest(const Result& layout, double x, double y);

}  // namespace layout
