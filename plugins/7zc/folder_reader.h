#pragma once
// The unpacked bytes of one folder (a solid block) of a 7z archive, read front to back in pieces.
// LZMA, LZMA2 and stored data, alone or under one branch or delta filter, are decoded as they
// are read, holding the decoder's dictionary (never larger than the folder) and two small
// buffers. Other arrangements (BCJ2, PPMd) are decoded whole into memory by the 7z C decoder.
#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" {
#include "7z.h"
}

namespace un7z {

enum class ReadResult { kOk, kDamaged, kUnsupported, kNoMemory };

class FolderReader {
 public:
  FolderReader();
  ~FolderReader();
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // Starts reading folder `folder` of the archive; `input` is positioned as the reader needs.
  ReadResult Open(const CSzArEx& archive, ILookInStreamPtr input, uint32_t folder);
  // Up to `size` bytes into `out`; `got` is 0 only at the end of the folder. At the end the
  // folder's own CRC, when it has one, is checked (kDamaged when it fails).
  ReadResult Read(uint8_t* out, size_t size, size_t& got);
  // The most memory the reader took for decoding (dictionary, buffers or the whole folder).
  size_t DecoderBytes() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// malloc and free for the 7z C decoder.
const ISzAlloc* Allocator();

}  // namespace un7z
