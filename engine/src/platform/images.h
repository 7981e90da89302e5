#pragma once
// Decoded images: PNG, JPEG, GIF (first frame), BMP and ICO through the platform's imaging
// codecs (WIC), from bytes the engine read through the file hooks.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace images {

struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // premultiplied BGRA, top-down rows
};

// Nothing when the bytes are not an image the codecs know.
std::shared_ptr<const Image> Decode(const std::string& bytes);

// Releases the codec factory (engine shutdown).
void Release();

}  // namespace images
