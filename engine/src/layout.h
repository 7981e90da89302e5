#pragma once
// Turns the document into boxes to paint and to hit-test. This first stage places only
// absolutely positioned elements (left/top/right/bottom/width/height) and the canvas colour
// from the root or body background; the block and inline layout of the later stage produces
// the same Box list, so painting and hit-testing stay as they are.
#include <optional>
#include <vector>

#include "css_values.h"
#include "dom.h"

namespace layout {

struct Rect {
  double x = 0, y = 0, w = 0, h = 0;
  bool Contains(double px, double py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

struct Box {
  dom::Node* node = nullptr;
  Rect rect;
  std::optional<css::Color> background;
  float opacity = 1.f;  // including the opacity of ancestors
};

struct Result {
  std::optional<css::Color> canvas;  // the root's background, else the body's
  std::vector<Box> boxes;             // in painting order
};

Result Build(const dom::Document* doc, int viewWidth, int viewHeight);

// The topmost box's element under the point, or nullptr.
dom::Node* HitTest(const Result& layout, double x, double y);

}  // namespace layout
