#pragma once
// Rasterising the layout into the caller's premultiplied BGRA buffer: backgrounds and borders
// with antialiased rounded corners, images (bilinear when scaled), and text drawn through a
// coverage mask so that it keeps correct alpha over transparent pixels.
#include "layout/layout.h"

namespace paint {

struct Surface {
  unsigned char* pixels;
  int width;
  int height;
  int pitch;  // bytes between rows
};

// Transparent views start from all-zero pixels, others from opaque white.
void PaintView(const Surface& target, const layout::Result& layout, bool transparent);

// Blends a colour with the given extra opacity over the rectangle (source over).
void FillRect(const Surface& target, const layout::Rect& rect, const css::Color& color, float opacity);

}  // namespace paint
