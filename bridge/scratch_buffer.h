#pragma once
// A zero-filled byte buffer that native functions hand to the platform to receive text, and
// use to assemble binary results. The block always has 4 bytes more than its size, so narrow
// or wide text written within size bytes stays zero-terminated even when the platform fills
// all of it.
#include <cstdint>
#include <memory>
#include <string_view>

class ScratchBuffer {
 public:
  ScratchBuffer() = default;
  explicit ScratchBuffer(uint32_t size) { Resize(size); }

  uint8_t* data() const { return block_.get(); }
  wchar_t* wide() const { return reinterpret_cast<wchar_t*>(block_.get()); }
  char* narrow() const { return reinterpret_cast<char*>(block_.get()); }
  uint32_t size() const { return size_; }

  // A new zeroed block of size + 4 bytes keeping the first min(size, old size) bytes.
  void Resize(uint32_t size);
  // Appends text and its terminator at the old end (the terminator lands in the tail).
  void AppendWide(std::wstring_view text);
  void AppendUnit16(uint16_t unit);
  void AppendTwo32(uint32_t first, uint32_t second);
  void Release();

 private:
  std::unique_ptr<uint8_t[]> block_;
  uint32_t size_ = 0;
};
