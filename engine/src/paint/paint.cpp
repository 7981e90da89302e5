#include "paint/paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "platform/fonts.h"

namespace paint {
namespace {

using layout::Rect;

// Pixel bounds [x0, x1) x [y0, y1) of a rectangle, clipped to the surface and the clip.
struct Span {
  int x0, y0, x1, y1;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Span Bounds(const Surface& t, const Rect& r, const layout::Clip& clip) {
  double x0 = r.x, y0 = r.y, x1 = r.x + r.w, y1 = r.y + r.h;
  if (clip.active) {
    x0 = std::max(x0, clip.rect.x);
    y0 = std::max(y0, clip.rect.y);
    x1 = std::min(x1, clip.rect.x + clip.rect.w);
    y1 = std::min(y1, clip.rect.y + clip.rect.h);
  }
  // Clamped in floating point first: a page can give any length, an int cannot hold any.
  auto cut = [](double v, int hi) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(hi))); };
  Span s{cut(std::floor(x0), t.width), cut(std::floor(y0), t.height), cut(std::ceil(x1), t.width),
         cut(std::ceil(y1), t.height)};
  return s;
}

bool HasRadius(const double r[4]) { return r[0] > 0 || r[1] > 0 || r[2] > 0 || r[3] > 0; }

// Share of the pixel whose centre is (cx, cy) that lies inside the rounded rectangle.
float Coverage(const Rect& r, const double rad[4], double cx, double cy) {
  double fx = std::clamp(std::min(cx - r.x, r.x + r.w - cx) + 0.5, 0.0, 1.0);
  double fy = std::clamp(std::min(cy - r.y, r.y + r.h - cy) + 0.5, 0.0, 1.0);
  double f = fx * fy;
  if (f <= 0) return 0;
  double ox, oy, radius = 0;
  if (cx < r.x + rad[0] && cy < r.y + rad[0]) radius = rad[0], ox = r.x + rad[0], oy = r.y + rad[0];
  else if (cx > r.x + r.w - rad[1] && cy < r.y + rad[1]) radius = rad[1], ox = r.x + r.w - rad[1], oy = r.y + rad[1];
  else if (cx > r.x + r.w - rad[2] && cy > r.y + r.h - rad[2])
    radius = rad[2], ox = r.x + r.w - rad[2], oy = r.y + r.h - rad[2];
  else if (cx < r.x + rad[3] && cy > r.y + r.h - rad[3]) radius = rad[3], ox = r.x + rad[3], oy = r.y + r.h - rad[3];
  if (radius > 0) {
    double d = std::hypot(cx - ox, cy - oy);
    f = std::min(f, std::clamp(radius - d + 0.5, 0.0, 1.0));
  }
  return static_cast<float>(f);
}

float ClipCoverage(const layout::Clip& clip, double cx, double cy) {
  if (!clip.active || !HasRadius(clip.radius)) return 1.f;
  return Coverage(clip.rect, clip.radius, cx, cy);
}

uint8_t* PixelAt(const Surface& t, int x, int y) {
  return t.pixels + static_cast<size_t>(y) * static_cast<size_t>(t.pitch) + static_cast<size_t>(x) * 4;
}

// Source over with a premultiplied source (0..255 floats) scaled by k (0..1).
inline void Blend(uint8_t* p, float b, float g, float r, float a, float k) {
  if (k <= 0) return;
  float sa = a * k;
  float inv = 1.f - sa / 255.f;
  p[0] = static_cast<uint8_t>(std::min(255.f, b * k + p[0] * inv + 0.5f));
  p[1] = static_cast<uint8_t>(std::min(255.f, g * k + p[1] * inv + 0.5f));
  p[2] = static_cast<uint8_t>(std::min(255.f, r * k + p[2] * inv + 0.5f));
  p[3] = static_cast<uint8_t>(std::min(255.f, sa + p[3] * inv + 0.5f));
}

struct Premultiplied {
  float b, g, r, a;
};
Premultiplied Premultiply(const css::Color& c, float opacity) {
  float a = std::clamp(c.a * opacity, 0.f, 1.f);
  auto ch = [a](float v) { return std::round(std::clamp(v, 0.f, 255.f)) * a; };
  return {ch(c.b), ch(c.g), ch(c.r), a * 255.f};
}

void FillShape(const Surface& t, const Rect& r, const double rad[4], const layout::Clip& clip, const css::Color& color,
               float opacity) {
  Premultiplied s = Premultiply(color, opacity);
  if (s.a <= 0) return;
  Span sp = Bounds(t, r, clip);
  bool roundClip = clip.active && HasRadius(clip.radius);
  double topBand = r.y + std::max(rad[0], rad[1]), bottomBand = r.y + r.h - std::max(rad[2], rad[3]);
  // Pixels wholly inside the shape (away from its corners and fractional edges) take the
  // colour as it is; only the rest needs the coverage.
  int inner0 = static_cast<int>(std::ceil(r.x)), inner1 = static_cast<int>(std::floor(r.x + r.w));
  for (int y = sp.y0; y < sp.y1; ++y) {
    double cy = y + 0.5;
    bool plainRow = !roundClip && cy - r.y >= 0.5 && r.y + r.h - cy >= 0.5 && cy >= topBand && cy <= bottomBand;
    for (int x = sp.x0; x < sp.x1; ++x) {
      uint8_t* p = PixelAt(t, x, y);
      if (plainRow && x >= inner0 && x < inner1) {
        if (s.a >= 255.f) {
          p[0] = static_cast<uint8_t>(s.b);
          p[1] = static_cast<uint8_t>(s.g);
          p[2] = static_cast<uint8_t>(s.r);
          p[3] = 255;
        } else {
          Blend(p, s.b, s.g, s.r, s.a, 1.f);
        }
        continue;
      }
      double cx = x + 0.5;
      float k = Coverage(r, rad, cx, cy);
      if (roundClip) k *= ClipCoverage(clip, cx, cy);
      Blend(p, s.b, s.g, s.r, s.a, k);
    }
  }
}

void Borders(const Surface& t, const layout::Box& box) {
  const double* w = box.border;
  if (w[0] <= 0 && w[1] <= 0 && w[2] <= 0 && w[3] <= 0) return;
  const Rect& r = box.rect;
  Rect inner{r.x + w[3], r.y + w[0], std::max(0.0, r.w - w[1] - w[3]), std::max(0.0, r.h - w[0] - w[2])};
  double innerRad[4] = {
      std::max(0.0, box.radius[0] - std::max(w[0], w[3])), std::max(0.0, box.radius[1] - std::max(w[0], w[1])),
      std::max(0.0, box.radius[2] - std::max(w[2], w[1])), std::max(0.0, box.radius[3] - std::max(w[2], w[3]))};
  Premultiplied side[4];
  for (int i = 0; i < 4; ++i) side[i] = Premultiply(box.borderColor[i], box.opacity);
  // Deep inside the inner edge (past its corners) no border pixel can be.
  double band = std::max({innerRad[0], innerRad[1], innerRad[2], innerRad[3]}) + 1;
  Rect innerSafe{inner.x + band, inner.y + 1, inner.w - 2 * band, inner.h - 2};
  Span sp = Bounds(t, r, box.clip);
  for (int y = sp.y0; y < sp.y1; ++y) {
    double cy = y + 0.5;
    for (int x = sp.x0; x < sp.x1; ++x) {
      double cx = x + 0.5;
      if (cx > innerSafe.x && cx < innerSafe.x + innerSafe.w && cy > innerSafe.y && cy < innerSafe.y + innerSafe.h) {
        x = std::max(x, static_cast<int>(std::floor(innerSafe.x + innerSafe.w - 0.5)));
        continue;
      }
      float outer = Coverage(r, box.radius, cx, cy);
      if (outer <= 0) continue;
      float in = inner.w > 0 && inner.h > 0 ? Coverage(inner, innerRad, cx, cy) : 0.f;
      float k = outer * (1.f - in) * ClipCoverage(box.clip, cx, cy);
      if (k <= 0) continue;
      // The side whose edge is nearest, measured in its own width.
      double d[4] = {w[0] > 0 ? (cy - r.y) / w[0] : 1e9, w[1] > 0 ? (r.x + r.w - cx) / w[1] : 1e9,
                     w[2] > 0 ? (r.y + r.h - cy) / w[2] : 1e9, w[3] > 0 ? (cx - r.x) / w[3] : 1e9};
      int best = static_cast<int>(std::min_element(d, d + 4) - d);
      const Premultiplied& s = side[best];
      Blend(PixelAt(t, x, y), s.b, s.g, s.r, s.a, k);
    }
  }
}

// Bilinear sample of premultiplied pixels at (u, v) in image pixels (centres at +0.5).
void Sample(const images::Image& img, double u, double v, float out[4]) {
  double fx = u - 0.5, fy = v - 0.5;
  int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
  float ax = static_cast<float>(fx - x0), ay = static_cast<float>(fy - y0);
  auto px = [&](int x, int y) {
    x = std::clamp(x, 0, img.width - 1);
    y = std::clamp(y, 0, img.height - 1);
    return img.pixels[static_cast<size_t>(y) * static_cast<size_t>(img.width) + static_cast<size_t>(x)];
  };
  uint32_t p00 = px(x0, y0), p10 = px(x0 + 1, y0), p01 = px(x0, y0 + 1), p11 = px(x0 + 1, y0 + 1);
  for (int c = 0; c < 4; ++c) {
    int sh = c * 8;
    float top = ((p00 >> sh) & 0xFF) * (1 - ax) + ((p10 >> sh) & 0xFF) * ax;
    float bottom = ((p01 >> sh) & 0xFF) * (1 - ax) + ((p11 >> sh) & 0xFF) * ax;
    out[c] = top * (1 - ay) + bottom * ay;
  }
}

void Image(const Surface& t, const layout::Box& box) {
  const images::Image& img = *box.image;
  const Rect& tile = box.tile;
  if (tile.w <= 0 || tile.h <= 0 || img.width <= 0 || img.height <= 0) return;
  Rect area = box.rect;
  if (!box.repeatX) {
    double x0 = std::max(area.x, tile.x), x1 = std::min(area.x + area.w, tile.x + tile.w);
    area.x = x0;
    area.w = x1 - x0;
  }
  if (!box.repeatY) {
    double y0 = std::max(area.y, tile.y), y1 = std::min(area.y + area.h, tile.y + tile.h);
    area.y = y0;
    area.h = y1 - y0;
  }
  if (area.w <= 0 || area.h <= 0) return;
  Span sp = Bounds(t, area, box.clip);
  double sx = img.width / tile.w, sy = img.height / tile.h;
  bool exact = std::fabs(sx - 1) < 1e-9 && std::fabs(sy - 1) < 1e-9 && tile.x == std::floor(tile.x) &&
               tile.y == std::floor(tile.y);
  bool rounded = HasRadius(box.radius);
  float opacity = std::clamp(box.opacity, 0.f, 1.f);
  for (int y = sp.y0; y < sp.y1; ++y) {
    double cy = y + 0.5;
    double ty = cy - tile.y;
    if (box.repeatY) ty -= std::floor(ty / tile.h) * tile.h;
    for (int x = sp.x0; x < sp.x1; ++x) {
      double cx = x + 0.5;
      float k = opacity * ClipCoverage(box.clip, cx, cy);
      if (rounded) k *= Coverage(box.rect, box.radius, cx, cy);
      else k *= Coverage(area, box.radius, cx, cy);
      if (k <= 0) continue;
      double tx = cx - tile.x;
      if (box.repeatX) tx -= std::floor(tx / tile.w) * tile.w;
      float s[4];
      if (exact) {
        int ix = std::clamp(static_cast<int>(tx), 0, img.width - 1),
            iy = std::clamp(static_cast<int>(ty), 0, img.height - 1);
        uint32_t p = img.pixels[static_cast<size_t>(iy) * static_cast<size_t>(img.width) + static_cast<size_t>(ix)];
        for (int c = 0; c < 4; ++c) s[c] = static_cast<float>((p >> (c * 8)) & 0xFF);
      } else {
        Sample(img, tx * sx, ty * sy, s);
      }
      Blend(PixelAt(t, x, y), s[0], s[1], s[2], s[3], k);
    }
  }
}

// Rasterised runs, kept while they are drawn again and again (repaints, hover restyles).
const std::vector<unsigned char>& Mask(const layout::TextRun& run, int w, int h, int x, int baseline) {
  using Key = std::tuple<std::wstring, std::wstring, int, int, bool, double, int, int, int, int>;
  static std::map<Key, std::vector<unsigned char>> cache;
  Key key{run.text, run.font.family, run.font.size, run.font.weight, run.font.italic, run.letterSpacing, w, h,
          x,        baseline};
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  if (cache.size() >= 512) cache.clear();
  std::vector<unsigned char>& mask = cache[key];
  fonts::Rasterize(run.font, run.text, run.letterSpacing, w, h, x, baseline, mask);
  return mask;
}

void Text(const Surface& t, const layout::Box& box) {
  const layout::TextRun& run = *box.text;
  Premultiplied s = Premultiply(box.color, box.opacity);
  if (s.a <= 0) return;
  // Room for overhanging glyphs (italics, accents) around the run's box.
  int pad = std::max(2, run.font.size / 3);
  const Rect& br = box.rect;
  // Runs far outside the surface (any length a page may give) are not drawn at all.
  if (!(std::fabs(br.x) < 1e7 && std::fabs(br.y) < 1e7 && br.w < 1e7 && br.h < 1e7)) return;
  // Only the part of a long run that can reach the surface is rasterised.
  int left = std::max(static_cast<int>(std::floor(br.x)) - pad, -pad);
  int right = std::min(static_cast<int>(std::ceil(br.x + br.w)) + pad + 1, t.width + pad);
  int topEdge = std::max(static_cast<int>(std::floor(br.y)) - pad, -pad);
  int bottomEdge = std::min(static_cast<int>(std::ceil(br.y + br.h)) + pad + 1, t.height + pad);
  if (left >= right || topEdge >= bottomEdge) return;
  int ox = left, oy = topEdge, w = right - left, h = bottomEdge - topEdge;
  int baseline = static_cast<int>(std::lround(br.y + run.ascent)) - oy;
  Rect r{static_cast<double>(ox), static_cast<double>(oy), static_cast<double>(w), static_cast<double>(h)};
  Span sp = Bounds(t, r, box.clip);
  if (sp.Empty()) return;
  int startX = static_cast<int>(std::lround(box.rect.x)) - ox;
  const std::vector<unsigned char>& mask = Mask(run, w, h, startX, baseline);
  for (int y = sp.y0; y < sp.y1; ++y) {
    const unsigned char* row = mask.data() + static_cast<size_t>(y - oy) * static_cast<size_t>(w);
    for (int x = sp.x0; x < sp.x1; ++x) {
      unsigned char cov = row[x - ox];
      if (!cov) continue;
      float k = cov / 255.f * ClipCoverage(box.clip, x + 0.5, y + 0.5);
      Blend(PixelAt(t, x, y), s.b, s.g, s.r, s.a, k);
    }
  }
  double thickness = std::max(1.0, std::round(run.font.size / 14.0));
  double zero[4] = {0, 0, 0, 0};
  if (run.underline) {
    Rect line{box.rect.x, std::round(box.rect.y + run.ascent + 1), box.rect.w, thickness};
    FillShape(t, line, zero, box.clip, box.color, box.opacity);
  }
  if (run.lineThrough) {
    Rect line{box.rect.x, std::round(box.rect.y + run.ascent * 0.65), box.rect.w, thickness};
    FillShape(t, line, zero, box.clip, box.color, box.opacity);
  }
}

}  // namespace

void FillRect(const Surface& t, const layout::Rect& rect, const css::Color& color, float opacity) {
  double zero[4] = {0, 0, 0, 0};
  FillShape(t, rect, zero, layout::Clip{}, color, opacity);
}

void PaintView(const Surface& t, const layout::Result& layout, bool transparent) {
  if (!t.pixels || t.width <= 0 || t.height <= 0) return;
  for (int y = 0; y < t.height; ++y)
    std::memset(t.pixels + static_cast<size_t>(y) * static_cast<size_t>(t.pitch), transparent ? 0 : 0xFF,
                static_cast<size_t>(t.width) * 4);
  layout::Rect all{0, 0, static_cast<double>(t.width), static_cast<double>(t.height)};
  if (layout.canvas) FillRect(t, all, *layout.canvas, 1.f);
  // Groups paint into layers of the surface's size, composited over their bounds.
  struct Layer {
    std::vector<uint8_t> pixels;
    Surface surface;
    Span bounds;
    float opacity;
  };
  static std::vector<std::unique_ptr<Layer>> pool;
  std::vector<Surface> targets{t};
  std::vector<Layer*> open;
  for (const layout::Box& box : layout.boxes) {
    if (box.kind == layout::Box::Kind::BeginGroup) {
      if (open.size() >= pool.size()) pool.push_back(std::make_unique<Layer>());
      Layer& layer = *pool[open.size()];
      layer.pixels.resize(static_cast<size_t>(t.width) * static_cast<size_t>(t.height) * 4);
      layer.surface = {layer.pixels.data(), t.width, t.height, t.width * 4};
      layer.bounds = Bounds(t, box.rect, layout::Clip{});
      layer.opacity = std::clamp(box.opacity, 0.f, 1.f);
      for (int y = layer.bounds.y0; y < layer.bounds.y1; ++y)
        std::memset(PixelAt(layer.surface, layer.bounds.x0, y), 0,
                    static_cast<size_t>(std::max(0, layer.bounds.x1 - layer.bounds.x0)) * 4);
      open.push_back(&layer);
      targets.push_back(layer.surface);
      continue;
    }
    if (box.kind == layout::Box::Kind::EndGroup) {
      if (open.empty()) continue;
      Layer& layer = *open.back();
      open.pop_back();
      targets.pop_back();
      const Surface& under = targets.back();
      for (int y = layer.bounds.y0; y < layer.bounds.y1; ++y) {
        for (int x = layer.bounds.x0; x < layer.bounds.x1; ++x) {
          const uint8_t* s = PixelAt(layer.surface, x, y);
          if (s[3] == 0) continue;
          Blend(PixelAt(under, x, y), s[0], s[1], s[2], s[3], layer.opacity);
        }
      }
      continue;
    }
    if (!box.paints) continue;
    const Surface& t = targets.back();
    switch (box.kind) {
      case layout::Box::Kind::Block:
        if (box.background) FillShape(t, box.rect, box.radius, box.clip, *box.background, box.opacity);
        if (box.image) Image(t, box);
        Borders(t, box);
        break;
      case layout::Box::Kind::Image:
        if (box.image) Image(t, box);
        break;
      case layout::Box::Kind::Text:
        if (box.text) Text(t, box);
        break;
      default: break;
    }
  }
}

}  // namespace paint
