#include "download_response.h"

#include <cctype>
#include <cstdlib>

namespace download {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// A whole non-negative decimal number, or -1.
int64_t Number(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 18) return -1;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "bytes 100-199/1000", "bytes 100-199/*" or "bytes */1000".
void ReadContentRange(std::string_view value, int64_t& start, int64_t& total) {
  value = Trim(value);
  if (!StartsWithNoCase(value, "bytes ")) return;
  value.remove_prefix(6);
  if (value.starts_with("*/")) {  // the answer to a range beyond the end
    total = Number(value.substr(2));
    return;
  }
  const size_t dash = value.find('-');
  const size_t slash = value.find('/');
  if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return;
  start = Number(value.substr(0, dash));
  total = Number(value.substr(slash + 1));
}

}  // namespace

void Response::AddHeaderLine(std::string_view line) {
  if (StartsWithNoCase(line, "HTTP/")) {
    *this = Response{};
    const size_t space = line.find(' ');
    if (space != std::string_view::npos)
      status = std::strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
    return;
  }
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = Trim(line.substr(0, colon));
  const std::string_view value = Trim(line.substr(colon + 1));
  auto is = [&](std::string_view wanted) { return name.size() == wanted.size() && StartsWithNoCase(name, wanted); };
  if (is("Content-Length")) contentLength = Number(value);
  else if (is("Content-Range")) ReadContentRange(value, rangeStart, rangeTotal);
  else if (is("ETag")) etag = std::string(value);
  else if (is("Last-Modified")) lastModified = std::string(value);
}

std::string Response::Validator() const { return !etag.empty() ? etag : lastModified; }

Verdict Judge(const Response& response, int64_t offset) {
  if (response.status == 0) return Verdict::kAppend;  // file: and other status-less protocols
  if (response.status == 206) return response.rangeStart == offset ? Verdict::kAppend : Verdict::kRefuse;
  if (response.status == 416 && offset > 0) return Verdict::kRangeEnd;
  // Every pass asks for a range, so a plain success is the whole file: a server without ranges,
  // or a file that changed since the bytes on disk came.
  if (response.status >= 200 && response.status < 300) return Verdict::kStartOver;
  return Verdict::kRefuse;
}

int64_t FullSize(const Response& response, int64_t offset) {
  if (response.rangeTotal >= 0) return response.rangeTotal;
  if (response.status == 206) return -1;
  if (response.contentLength < 0) return -1;
  // A 200 answer carries the whole file; a status-less protocol resumed at offset sends the rest.
  return response.status == 0 ? offset + response.contentLength : response.contentLength;
}

}  // namespace download
