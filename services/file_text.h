#pragma once
// UTF-8 text files: reading through the package lookup, writing with a byte-order mark.
#include <cstdint>
#include <string>
#include <string_view>

namespace files {

// The text of a file's bytes: a leading EF BB BF is skipped and the text ends at its first
// zero byte.
std::string_view TextOfContent(std::string_view content);

// Writes EF BB BF and then text to path, replacing what was there, after creating missing
// folders. The bytes written (3 + text size), or -1 on failure, which leaves an existing file
// as it was.
int64_t WriteUtf8Text(const std::wstring& path, std::string_view text);

}  // namespace files
