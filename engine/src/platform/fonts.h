#pragma once
// Fonts through GDI: choosing faces by family list, measuring, and rasterising text as an
// antialiased coverage mask.
//
// Fallback: every character is drawn with the first face of the element's family list that
// has a glyph for it, else with the first face of the fallback chain that has one. The chain
// covers Chinese and Japanese with the faces Windows ships (Microsoft YaHei, Microsoft
// JhengHei, Meiryo, Yu Gothic, MS Gothic, SimSun, PMingLiU, Malgun Gothic) and those a Linux
// machine lends Wine through fontconfig (WenQuanYi Micro Hei/Zen Hei, Noto Sans CJK, Source
// Han Sans, Droid Sans Fallback, AR PL UMing), then general faces (Arial Unicode MS, Segoe UI,
// Tahoma, DejaVu Sans). Only installed faces take part. Generic families: sans-serif ->
// Segoe UI, Arial, Tahoma, Liberation Sans, DejaVu Sans; serif -> Times New Roman, Liberation
// Serif, DejaVu Serif; monospace -> Consolas, Courier New, Liberation Mono, DejaVu Sans Mono.
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

struct Key {
  std::wstring family;  // the CSS family list as written
  int size = 16;        // pixels
  int weight = 400;
  bool italic = false;
  bool operator==(const Key&) const = default;
};

struct Metrics {
  double ascent = 0, descent = 0;
};

Metrics MetricsOf(const Key& key);
// Advance width of text, letterSpacing added after every character.
double Measure(const Key& key, std::wstring_view text, double letterSpacing);
// Advance of each character (UTF-16 units; the second half of a pair gets 0).
std::vector<double> Advances(const Key& key, std::wstring_view text, double letterSpacing);

// Coverage (0..255) of text drawn with its baseline at y = baseline and starting at x, into a
// width x height mask (row-major, one byte a pixel).
void Rasterize(const Key& key, std::wstring_view text, double letterSpacing, int width, int height, int x, int baseline,
               std::vector<unsigned char>& mask);

// Whether some installed face (in a family list or the fallback chain) has a glyph for c.
bool HasGlyph(const Key& key, wchar_t c);

// Frees the cached fonts and the drawing surface (engine shutdown).
void Release();

}  // namespace fonts
