#include "version_resource.h"

#include <cwctype>

#include "bridge/name_key.h"

namespace version_resource {

namespace {

static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

constexpr uint16_t kLanguage = 9;
constexpr uint16_t kCodePage = 1;

std::wstring Upper(std::wstring_view text) {
  std::wstring upper(text);
  if (!upper.empty()) CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

class Writer {
 public:
  size_t size() const { return bytes_.size(); }
  void Word(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Text(std::wstring_view text) {
    for (const wchar_t unit : text) Word(static_cast<uint16_t>(unit));
    Word(0);
  }
  void Pad() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  void Zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
  // Every length field is a WORD; the values are bounded so that no length exceeds one.
  void PutWord(size_t offset, size_t value) {
    bytes_[offset] = static_cast<uint8_t>(value & 0xFF);
    bytes_[offset + 1] = static_cast<uint8_t>((value >> 8) & 0xFF);
  }
  void PutBytes(size_t offset, const void* data, size_t size) {
    const auto* source = static_cast<const uint8_t*>(data);
    std::copy(source, source + size, bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// Writes a node header (length to be filled in, value length, type) and its key; returns the
// node's start.
size_t Header(Writer& out, uint16_t valueLength, uint16_t type, std::wstring_view key) {
  const size_t start = out.size();
  out.Word(0);
  out.Word(valueLength);
  out.Word(type);
  out.Text(key);
  out.Pad();
  return start;
}

}  // namespace

uint32_t SortKey(std::wstring_view key) {
  const std::wstring upper = Upper(key);
  return names::KeyOfBytes(upper.data(), upper.size());
}

std::pair<uint32_t, uint32_t> ParseVersion(std::wstring_view text) {
  uint32_t parts[4] = {};
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != L'.') break;
      ++at;
    }
    while (at < text.size() && std::iswspace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'-' || text[at] == L'+')) negative = text[at++] == L'-';
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') break;
    uint32_t value = 0;  // only the low 16 bits are kept, so the sum may wrap freely
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') value = value * 10 + (text[at++] - L'0');
    parts[part] = (negative ? 0u - value : value) & 0xFFFF;
  }
  return {parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]};
}

std::wstring_view Bounded(std::wstring_view value) {
  if (value.size() <= kMaxValueUnits) return value;
  size_t size = kMaxValueUnits;
  if (IS_HIGH_SURROGATE(value[size - 1])) --size;
  return value.substr(0, size);
}

void Reset(Builder& builder) {
  builder.fixed = VS_FIXEDFILEINFO{};
  builder.strings.clear();
}

void Set(Builder& builder, std::wstring_view key, std::wstring_view value) {
  value = Bounded(value);
  std::wstring upper = Upper(key);
  if (upper == L"FILEVERSION") {
    const auto [most, least] = ParseVersion(value);
    builder.fixed.dwFileVersionMS = most;
    builder.fixed.dwFileVersionLS = least;
  } else if (upper == L"PRODUCTVERSION") {
    const auto [most, least] = ParseVersion(value);
    builder.fixed.dwProductVersionMS = most;
    builder.fixed.dwProductVersionLS = least;
  }
  const uint32_t sortKey = SortKey(key);
  builder.strings[{sortKey, std::move(upper)}] = StringEntry{std::wstring(key), std::wstring(value)};
}

std::vector<uint8_t> Build(const Builder& builder) {
  Writer out;
  Header(out, sizeof(VS_FIXEDFILEINFO), 0, L"VS_VERSION_INFO");
  const size_t fixedAt = out.size();
  out.Zeros(sizeof(VS_FIXEDFILEINFO));

  const size_t stringFileInfo = Header(out, 0, 1, L"StringFileInfo");
  wchar_t tableKey[9] = {};
  swprintf(tableKey, 9, L"%04x%04x", kLanguage, kCodePage);
  const size_t table = Header(out, 0, 1, tableKey);
  for (const auto& [sortKey, entry] : builder.strings) {
    const size_t start = Header(out, static_cast<uint16_t>(entry.value.size() + 1), 1, entry.key);
    out.Text(entry.value);
    out.PutWord(start, out.size() - start);
    out.Pad();
  }
  out.PutWord(table, out.size() - table);
  out.PutWord(stringFileInfo, out.size() - stringFileInfo);

  const size_t varFileInfo = Header(out, 0, 1, L"VarFileInfo");
  const size_t translation = Header(out, 4, 0, L"Translation");
  out.Word(kLanguage);
  out.Word(kCodePage);
  out.PutWord(translation, out.size() - translation);
  out.PutWord(varFileInfo, out.size() - varFileInfo);
  // Only a builder given more strings than a version call sets could outgrow the 16-bit length.
  if (out.size() > 0xFFFF) return {};
  out.PutWord(0, out.size());

  VS_FIXEDFILEINFO fixed = builder.fixed;
  fixed.dwSignature = 0xFEEF04BD;
  fixed.dwStrucVersion = 0x00010000;
  fixed.dwFileFlagsMask = 0x3F;
  fixed.dwFileOS = VOS_NT_WINDOWS32;
  fixed.dwFileType = VFT_APP;
  out.PutBytes(fixedAt, &fixed, sizeof fixed);
  return out.Take();
}

}  // namespace version_resource
