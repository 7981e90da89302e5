#pragma once
// Signed manifests: ECDSA over P-256 with SHA-256, checked by the system's cryptography
// (BCryptVerifySignature). The public key (update-key.pub beside the program) and the
// signature (the manifest's URL + ".sig") are both text: 128 hex digits, the key's X then Y and
// the signature's r then s, each 32 bytes big-endian; white space around them is ignored.
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace update {

using Bytes64 = std::array<uint8_t, 64>;
using Digest = std::array<uint8_t, 32>;

bool ParseHex64(std::string_view text, Bytes64& bytes);

// True only when signature is a valid signature of message under key.
bool VerifySignature(const Bytes64& key, std::string_view message, const Bytes64& signature);

std::string HexOf(const uint8_t* bytes, size_t size);

// SHA-256 and size of a file, read in pieces; false when it cannot be read.
bool FileDigest(const std::wstring& path, Digest& digest, uint64_t& size);

}  // namespace update
