#include "signature.h"

#include <bcrypt.h>

#include <cctype>
#include <vector>

#include "base/win_handles.h"

namespace update {

namespace {

struct AlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyTraits {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { BCryptDestroyKey(h); }
};
struct HashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Empty() noexcept { return nullptr; }
  static void Release(Handle h) noexcept { BCryptDestroyHash(h); }
};
using Algorithm = win::Owned<AlgorithmTraits>;
using Key = win::Owned<KeyTraits>;
using Hash = win::Owned<HashTraits>;

Algorithm Open(const wchar_t* name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) return Algorithm();
  return Algorithm(handle);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A SHA-256 that is fed in pieces.
class Sha256 {
 public:
  Sha256() : algorithm_(Open(BCRYPT_SHA256_ALGORITHM)) {
    BCRYPT_HASH_HANDLE handle = nullptr;
    if (algorithm_ && BCRYPT_SUCCESS(BCryptCreateHash(algorithm_.get(), &handle, nullptr, 0, nullptr, 0, 0)))
      hash_.reset(handle);
  }
  bool Add(const void* bytes, size_t size) {
    return hash_ && BCRYPT_SUCCESS(BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(bytes)),
                                                  static_cast<ULONG>(size), 0));
  }
  bool Finish(Digest& digest) {
    return hash_ && BCRYPT_SUCCESS(BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
  }

 private:
  Algorithm algorithm_;
  Hash hash_;
};

}  // namespace

bool ParseHex64(std::string_view text, Bytes64& bytes) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  if (text.size() != 128) return false;
  for (size_t i = 0; i < 64; ++i) {
    const int high = HexValue(text[2 * i]);
    const int low = HexValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

bool VerifySignature(const Bytes64& key, std::string_view message, const Bytes64& signature) {
  Digest digest{};
  Sha256 sha;
  if (!sha.Add(message.data(), message.size()) || !sha.Finish(digest)) return false;
  const Algorithm ecdsa = Open(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa) return false;
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
  auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
  header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
  header->cbKey = 32;
  std::copy(key.begin(), key.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &handle, blob.data(),
                                          static_cast<ULONG>(blob.size()), 0)))
    return false;
  const Key imported(handle);
  Bytes64 copy = signature;
  return BCRYPT_SUCCESS(BCryptVerifySignature(imported.get(), nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                              copy.data(), static_cast<ULONG>(copy.size()), 0));
}

std::string HexOf(const uint8_t* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

bool FileDigest(const std::wstring& path, Digest& digest, uint64_t& size) {
  const win::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  Sha256 sha;
  std::vector<uint8_t> buffer(1 << 20);
  size = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) break;
    if (!sha.Add(buffer.data(), read)) return false;
    size += read;
  }
  return sha.Finish(digest);
}

}  // namespace update
