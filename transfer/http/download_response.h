#pragma once
// What one pass of a download learned from the server's answer, and whether its body may be
// stored. Only a success status ever adds bytes: an error page is never file content.
#include <cstdint>
#include <string>
#include <string_view>

namespace download {

// The final answer of a pass (after redirects), filled from its header lines.
struct Response {
  long status = 0;             // 0: a protocol without status lines (file:)
  int64_t contentLength = -1;  // -1: not sent
  int64_t rangeStart = -1;     // from Content-Range, -1: not sent
  int64_t rangeTotal = -1;     // the full size from Content-Range, -1: not sent or "*"
  std::string etag;
  std::string lastModified;

  // Feeds one header line as the transfer library hands it over ("HTTP/1.1 206 Partial
  // Content\r\n", "ETag: \"x\"\r\n", ...). A new status line starts a new answer, so only the
  // last answer of a redirect chain counts.
  void AddHeaderLine(std::string_view line);
  // ETag when sent, else Last-Modified, else empty.
  std::string Validator() const;
};

enum class Verdict {
  kAppend,     // the body continues the file at the requested offset
  kStartOver,  // the body is the whole file from byte 0: the old bytes must go
  kRefuse,     // the body is not the file (error status, or a range other than asked for)
  kRangeEnd,   // 416 to a range request: nothing lies at or after the offset
};

// How to treat the body of an answer to a range request starting at offset.
Verdict Judge(const Response& response, int64_t offset);

// The file's full size as this answer gives it; -1 when it does not say (no length at all).
int64_t FullSize(const Response& response, int64_t offset);

}  // namespace download
