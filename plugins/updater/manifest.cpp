#include "manifest.h"

#include <json/reader.h>
#include <json/value.h>

#include <cctype>
#include <memory>

namespace update {

bool ParseVersion(std::string_view text, Version& version) {
  version = {0, 0, 0, 0};
  size_t part = 0;
  size_t digits = 0;
  uint32_t value = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (digits == 0 || part >= 4) return false;
      version[part++] = value;
      value = 0;
      digits = 0;
      continue;
    }
    if (!std::isdigit(static_cast<unsigned char>(text[i])) || ++digits > 5) return false;
    value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    if (value > 65535) return false;
  }
  return true;
}

int CompareVersions(const Version& a, const Version& b) {
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

std::string VersionText(const Version& version) {
  return std::to_string(version[0]) + "." + std::to_string(version[1]) + "." + std::to_string(version[2]) + "." +
         std::to_string(version[3]);
}

std::string FileNameOf(std::string_view url) {
  size_t start = 0;
  if (url.substr(0, 7) == "http://") start = 7;
  else if (url.substr(0, 8) == "https://") start = 8;
  else return {};
  const size_t end = url.find_first_of("?#", start);
  const std::string_view address = url.substr(start, end == std::string_view::npos ? url.size() - start : end - start);
  const size_t slash = address.find('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view name = address.substr(address.rfind('/') + 1);
  if (name.empty() || name.size() > 100 || name[0] == '.') return {};
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') return {};
  }
  return std::string(name);
}

bool ParseManifest(const std::string& text, Manifest& manifest) {
  Json::CharReaderBuilder builder;
  builder["strictRoot"] = true;
  builder["rejectDupKeys"] = true;
  builder["failIfExtra"] = true;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors) || !root.isObject()) return false;
  if (root.size() != 4) return false;
  const Json::Value& version = root["version"];
  const Json::Value& url = root["url"];
  const Json::Value& size = root["size"];
  const Json::Value& sha = root["sha256"];
  if (!version.isString() || !url.isString() || !sha.isString()) return false;
  if (!size.isUInt64() || size.asUInt64() == 0 || size.asUInt64() > (uint64_t{1} << 53)) return false;
  Version parsed;
  if (!ParseVersion(version.asString(), parsed)) return false;
  const std::string hash = sha.asString();
  if (hash.size() != 64) return false;
  for (const char c : hash) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  Manifest result;
  result.version = version.asString();
  result.url = url.asString();
  result.size = size.asUInt64();
  result.fileName = FileNameOf(result.url);
  if (result.fileName.empty()) return false;
  for (const char c : hash) result.sha256 += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  manifest = std::move(result);
  return true;
}

}  // namespace update
