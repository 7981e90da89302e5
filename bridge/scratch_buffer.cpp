#include "scratch_buffer.h"

#include <algorithm>
#include <cstring>

void ScratchBuffer::Resize(uint32_t size) {
  auto block = std::make_unique<uint8_t[]>(static_cast<size_t>(size) + 4);  // value-initialised: zeros
  if (block_) std::memcpy(block.get(), block_.get(), std::min(size, size_));
  block_ = std::move(block);
  size_ = size;
}

void ScratchBuffer::AppendWide(std::wstring_view text) {
  const uint32_t end = size_;
  const auto bytes = static_cast<uint32_t>(text.size() * sizeof(wchar_t));
  Resize(size_ + bytes);
  std::memcpy(block_.get() + end, text.data(), bytes);
  // The terminator is already there: the new block is zero-filled past the copied bytes.
}

void ScratchBuffer::AppendUnit16(uint16_t unit) {
  const uint32_t end = size_;
  Resize(size_ + 2);
  std::memcpy(block_.get() + end, &unit, 2);  // x86 is little-endian
}

void ScratchBuffer::AppendTwo32(uint32_t first, uint32_t second) {
  const uint32_t end = size_;
  Resize(size_ + 8);
  std::memcpy(block_.get() + end, &first, 4);
  std::memcpy(block_.get() + end + 4, &second, 4);
}

void ScratchBuffer::Release() {
  block_.reset();
  size_ = 0;
}
