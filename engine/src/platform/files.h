#pragma once
// Reading resources by name through the host's five file hooks, and resolving references.
#include <optional>
#include <string>

#include "wke.h"

namespace files {

void SetHooks(wkeFileOpen open, wkeFileClose close, wkeFileSize size, wkeFileRead read, wkeFileSeek seek);
void ResetHooks();
// The whole content of a file, read by its UTF-8 name; nothing when it cannot be opened.
std::optional<std::string> Read(const std::string& utf8Name);

bool IsUrl(const std::string& name);  // has an http:, https: or file: scheme
// Resolves ref against base, where base is a file name ("pages\\main.html") or a URL.
std::string Resolve(const std::string& base, const std::string& ref);

}  // namespace files
