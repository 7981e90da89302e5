#pragma once
// Version resources: building the binary block of a version resource, reading one text of a
// file's version information, and stamping a new block into an executable on disk.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bridge/engine_api.h"

namespace version_resource {

// The longest value text a block takes, in UTF-16 units: with eight such values the block
// still fits its 16-bit length. Longer values are cut (never inside a surrogate pair).
inline constexpr size_t kMaxValueUnits = 4000;

struct StringEntry {
  std::wstring key;
  std::wstring value;
};

// The strings are kept in the order of their sort key; the upper-case key beside it keeps two
// keys apart whose sort keys happen to be equal.
struct Builder {
  VS_FIXEDFILEINFO fixed{};
  std::map<std::pair<uint32_t, std::wstring>, StringEntry> strings;
};

// CRC-32 of the upper-case key over the first (length in characters) bytes of its UTF-16LE form.
uint32_t SortKey(std::wstring_view key);

// "a.b.c.d" as decimal numbers, each cut to its low 16 bits: first = a << 16 | b,
// second = c << 16 | d. A missing or unreadable number and every one after it count as 0.
std::pair<uint32_t, uint32_t> ParseVersion(std::wstring_view text);

// value cut to kMaxValueUnits.
std::wstring_view Bounded(std::wstring_view value);

void Reset(Builder& builder);
// Adds or replaces key (case-insensitive); "FileVersion" and "ProductVersion" also set the
// fixed file or product version.
void Set(Builder& builder, std::wstring_view key, std::wstring_view value);
// The whole block: fixed information, one string table (language 9, code page 1) and the
// matching translation.
std::vector<uint8_t> Build(const Builder& builder);

// The named text of the file's version information from the first translation that has it
// with a non-empty value.
std::optional<std::wstring> Read(const std::wstring& path, const std::wstring& name);

// Replaces the file's version resource (type 16, name 1, language 1033) with block and drops
// any other version resource it carries. The file is changed in one step or not at all: a
// copy is updated beside it and moved over it. False when the file is missing, read-only, in
// use or not an executable image; the file is then as it was.
bool Write(const std::wstring& path, const std::vector<uint8_t>& block);

}  // namespace version_resource

namespace natives {

jsValue Js_GetPEFileVerInfo(jsExecState es);
jsValue Js_SetPEFileVerInfo(jsExecState es);

}  // namespace natives
