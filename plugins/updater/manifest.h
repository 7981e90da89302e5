#pragma once
// The update manifest: one JSON object
//   {"version":"1.2.3.4","url":"https://host/path/file.exe.gz","size":N,"sha256":"<64 hex>"}
// signed over its exact bytes (see signature.h). Versions are one to four numbers up to 65535
// separated by dots; missing numbers count as 0.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace update {

struct Manifest {
  std::string version;
  std::string url;
  uint64_t size = 0;
  std::string sha256;    // 64 lower-case hex digits
  std::string fileName;  // the last part of the URL's path: the name the download gets
};

using Version = std::array<uint32_t, 4>;

bool ParseVersion(std::string_view text, Version& version);
// -1, 0 or 1 as a is older than, the same as or newer than b.
int CompareVersions(const Version& a, const Version& b);
std::string VersionText(const Version& version);

// The last part of an http(s) URL's path when it is a plain file name (letters, digits, '.',
// '-', '_'; not starting with '.'; at most 100 characters); empty otherwise.
std::string FileNameOf(std::string_view url);

// False for anything but an object with exactly these members, of these types: a version as
// above, an http or https URL naming a plain file, a whole size from 1 to 2^53, 64 hex digits.
bool ParseManifest(const std::string& text, Manifest& manifest);

}  // namespace update
