#include "render.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <zlib.h>

namespace testhost {
namespace {

void Put32(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  Put32(out,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace

Pixel Frame::At(int x, int y) const {
  const uint8_t* p = &pixels[static_cast<size_t>((y * width + x) * 4)];
  return {p[0], p[1], p[2], p[3]};
}

int Frame::CountDifferent(int x, int y, int w, int h, const Pixel& from, int tolerance) const {
  int n = 0;
  for (int yy = y; yy < y + h && yy < height; ++yy) {
    for (int xx = x; xx < x + w && xx < width; ++xx) {
      Pixel p = At(xx, yy);
      if (std::abs(p.b - from.b) > tolerance || std::abs(p.g - from.g) > tolerance ||
          std::abs(p.r - from.r) > tolerance || std::abs(p.a - from.a) > tolerance)
        ++n;
    }
  }
  return n;
}

bool Frame::SavePng(const std::wstring& path) const {
  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 4 + 1));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      Pixel p = At(x, y);
      auto un = [&](int c) { return static_cast<char>(p.a ? std::min(255, (c * 255 + p.a / 2) / p.a) : 0); };
      raw.push_back(un(p.r));
      raw.push_back(un(p.g));
      raw.push_back(un(p.b));
      raw.push_back(static_cast<char>(p.a));
    }
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 6) != Z_OK)
    return false;
  packed.resize(size);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", "");
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
  return fclose(f) == 0 && ok;
}

Frame Paint(View& v, int width, int height) {
  Frame f;
  f.width = width;
  f.height = height;
  f.pixels.assign(static_cast<size_t>(width * height * 4), 0x5A);
  Engine().wkeResize(v.get(), width, height);
  Engine().wkePaint(v.get(), f.pixels.data(), width * 4);
  return f;
}

std::wstring OutputFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring s = path;
  return s.substr(0, s.find_last_of(L"\\/") + 1);
}

}  // namespace testhost
