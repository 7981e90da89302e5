#pragma once
// Painting a test view into memory, reading its pixels and saving them as PNG.
#include <cstdint>
#include <string>
#include <vector>

#include "test_host.h"

namespace testhost {

struct Pixel {
  int b, g, r, a;
};

struct Frame {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // premultiplied BGRA, top-down
  Pixel At(int x, int y) const;
  // Pixels in the rectangle that differ from the given one by more than tolerance in a channel.
  int CountDifferent(int x, int y, int w, int h, const Pixel& from, int tolerance = 8) const;
  // Writes the frame as an RGBA PNG (un-premultiplied); false when the file cannot be written.
  bool SavePng(const std::wstring& path) const;
};

// Paints the view at the given size into a fresh frame (filled with 0x5A before painting, so
// untouched pixels show).
Frame Paint(View& v, int width, int height);

// The folder the test program runs in, for files the tests leave for people to look at.
std::wstring OutputFolder();

}  // namespace testhost
