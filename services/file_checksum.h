#pragma once
// CRC-32 (zlib's) of a file read piece by piece.
#include <cstdint>
#include <functional>
#include <string>

namespace files {

inline constexpr uint32_t kChecksumPiece = 4u << 20;

// Reads path in pieces of pieceSize bytes and reports after each piece (and exactly once for
// an empty or unopenable file, which counts as empty): bytes done, total size, CRC so far.
// Stops early, with false, when a read fails or the file ends before its size was reached;
// the pieces reported until then stay reported.
bool ChecksumPieces(const std::wstring& path, uint32_t pieceSize,
                    const std::function<void(uint64_t done, uint64_t total, uint32_t crc)>& report);

}  // namespace files
