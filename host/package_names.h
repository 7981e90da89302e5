#pragma once
// How names given to the package lookup meet the names stored in an archive.
#include <string>
#include <string_view>

namespace package::names {

// Entry names longer than this (in bytes, with the terminator) are never matched.
constexpr unsigned kEntryNameBuffer = 260;

// "/" becomes "\"; nothing else changes, so "./a" and "/a" stay distinct from "a".
std::string Key(std::string_view name);

// Empty names, names too long for the entry-name buffer and folder entries are not files.
bool IsSkippedEntry(std::string_view entryName) noexcept;

// Case-insensitive, locale-aware comparison of two UTF-8 names. Both are compared as UTF-16 so
// that non-ASCII names fold case the same on every system code page; a name that is not valid
// UTF-8 only folds ASCII letters.
bool Equal(std::string_view a, std::string_view b);

}  // namespace package::names
