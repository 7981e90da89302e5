#pragma once
// Which entries of an archive (ZIP or 7z) an extraction takes and where each one goes. Pure rules
// on names, apart from the last containment check, which asks the system how it reads the path.
#include <optional>
#include <string>
#include <string_view>

namespace archive_names {

// "/" becomes "\", in place.
void ToBackslashes(std::string& text);
void ToBackslashes(std::wstring& text);

// The entry is taken when the prefix is empty or when the name, "/" read as "\", starts with
// the prefix's bytes. ASCII letters match either case; every other byte must be equal.
bool IsSelected(std::string_view entryName, std::string_view prefix);

// True when a relative name, "/" read as "\", could lead anywhere but below the folder it is
// joined to: rooted (a leading "\", UNC and device paths), any ":" (drives, alternate data
// streams), a part made only of dots and spaces other than ".", a reserved device name (CON,
// NUL, COM1, ...) as a part, or a character no file name may hold.
bool IsEscaping(std::wstring_view name);

// Where a taken entry goes: destination + the prefix as the page wrote it when the name is the
// prefix itself, else destination + the name after the prefix's bytes, joined by plain
// concatenation. Nothing when either the whole name or the part joined to the destination
// escapes; a part that starts with "\" is joined only to a destination that it cannot turn
// into a root ("", "C:").
std::optional<std::wstring> OutputPath(std::wstring_view destination, std::wstring_view prefix,
                                       std::string_view prefixUtf8, std::string_view entryName);

// The system's full form of the output path still starts with the full form of the
// destination, and what follows has no ".." part.
bool StaysInside(const std::wstring& destination, const std::wstring& outputPath);

}  // namespace archive_names
