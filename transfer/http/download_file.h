#pragma once
// The file operations of downloads and extraction: sizes, appends and small whole-file writes,
// each retried for a short while when another program holds the file, and bounded so that a
// path that can never be written ends the transfer instead of spinning.
#include <cstdint>
#include <string>
#include <string_view>

namespace download {

inline constexpr int kWriteAttempts = 50;
inline constexpr unsigned kWritePauseMs = 100;

// The size of the file (opened for reading, others may read too); -1 when it cannot be opened.
int64_t FileSize(const std::wstring& path);
bool ReadWholeFile(const std::wstring& path, std::string& text);
// Creates every missing folder on the way to the file's folder ("/" counts as "\").
void CreateParentFolders(const std::wstring& path);
// Appends the bytes (after cutting the file to 0 bytes when truncateFirst); the file is created
// when absent and its attributes are cleared to normal first. False after the attempts ran out.
bool AppendBytes(const std::wstring& path, std::string_view bytes, bool truncateFirst);
// Writes text over the file (created or truncated), with the same attempts.
bool ReplaceContent(const std::wstring& path, const std::string& text);

}  // namespace download
