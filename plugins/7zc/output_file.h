#pragma once
// One output file of an extraction, kept open while its data arrives. Creating and writing are
// retried for a while (another program may hold the file), then given up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/win_handles.h"

namespace un7z {

inline constexpr int kWriteAttempts = 50;
inline constexpr unsigned kWritePauseMs = 100;

// Creates the folder and every missing folder above it. False when it does not exist afterwards.
bool MakeFolders(const std::wstring& folder);

class OutputFile {
 public:
  // Replaces any file at the path with an empty one (missing folders on the way are created).
  bool Create(const std::wstring& path);
  // Appends the bytes; a failed attempt leaves the file as it was before it.
  bool Write(const uint8_t* data, size_t size);
  // Closes the file; it stays.
  void Keep();
  // Closes and deletes the file (a damaged or unfinished entry).
  void Remove();

 private:
  bool WriteOnce(const uint8_t* data, size_t size);

  std::wstring path_;
  win::FileHandle file_;
  uint64_t written_ = 0;
};

}  // namespace un7z
