#include "paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace paint {

void FillRect(const Surface& t, const layout::Rect& rect, const css::Color& color, float opacity) {
  int x0 = std::max(0, static_cast<int>(std::lround(rect.x)));
  int y0 = std::max(0, static_cast<int>(std::lround(rect.y)));
  int x1 = std::min(t.width, static_cast<int>(std::lround(rect.x + rect.w)));
  int y1 = std::min(t.height, static_cast<int>(std::lround(rect.y + rect.h)));
  unsigned a = static_cast<unsigned>(std::lround(std::clamp(color.a * opacity, 0.f, 1.f) * 255.f));
  if (x0 >= x1 || y0 >= y1 || a == 0) return;
  auto premul = [a](float c) { return (static_cast<unsigned>(std::lround(std::clamp(c, 0.f, 255.f))) * a + 127) / 255; };
  unsigned sb = premul(color.b), sg = premul(color.g), sr = premul(color.r);
  unsigned inv = 255 - a;
  for (int y = y0; y < y1; ++y) {
    uint8_t* p = t.pixels + static_cast<size_t>(y) * static_cast<size_t>(t.pitch) + static_cast<size_t>(x0) * 4;
    for (int x = x0; x < x1; ++x, p += 4) {
      if (inv == 0) {
        p[0] = static_cast<uint8_t>(sb);
        p[1] = static_cast<uint8_t>(sg);
        p[2] = static_cast<uint8_t>(sr);
        p[3] = 255;
        continue;
      }
      p[0] = static_cast<uint8_t>(sb + (p[0] * inv + 127) / 255);
      p[1] = static_cast<uint8_t>(sg + (p[1] * inv + 127) / 255);
      p[2] = static_cast<uint8_t>(sr + (p[2] * inv + 127) / 255);
      p[3] = static_cast<uint8_t>(a + (p[3] * inv + 127) / 255);
    }
  }
}

void PaintView(const Surface& t, const layout::Result& layout, bool transparent) {
  if (!t.pixels || t.width <= 0 || t.height <= 0) return;
  for (int y = 0; y < t.height; ++y)
    std::memset(t.pixels + static_cast<size_t>(y) * static_cast<size_t>(t.pitch), transparent ? 0 : 0xFF, static_cast<size_t>(t.width) * 4);
  layout::Rect all{0, 0, static_cast<double>(t.width), static_cast<double>(t.height)};
  if (layout.canvas) FillRect(t, all, *layout.canvas, 1.f);
  for (const layout::Box& box : layout.boxes) {
    if (box.background) FillRect(t, box.rect, *box.background, box.opacity);
  }
}

}  // namespace paint
