// The pieces of a download that decide without a network: what an answer's body is, the file's
// size it gives, the state file's exact text, and the pauses between failing passes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transfer/http/download_fetch.h"
#include "transfer/http/download_response.h"
#include "transfer/http/download_state.h"

namespace download {
namespace {

Response Answer(const std::vector<std::string>& lines) {
  Response response;
  for (const std::string& line : lines) response.AddHeaderLine(line + "\r\n");
  return response;
}

TEST(DownloadResponse, OnlyAnAnswerThatContinuesTheFileIsAppended) {
  struct Case {
    std::vector<std::string> lines;
    int64_t offset;
    Verdict verdict;
    int64_t fullSize;
  } cases[] = {
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 0-1048574/3000000"}, 0, Verdict::kAppend, 3000000},
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 1048575-2097149/3000000"},
       1048575,
       Verdict::kAppend,
       3000000},
      // A range other than the one asked for is someone else's bytes.
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 0-99/3000000"}, 1048575, Verdict::kRefuse, 3000000},
      // The whole file in answer to a range: changed on the server, or no ranges served.
      {{"HTTP/1.1 200 OK", "Content-Length: 3000500"}, 1048575, Verdict::kStartOver, 3000500},
      {{"HTTP/1.1 200 OK", "Content-Length: 3000000"}, 0, Verdict::kStartOver, 3000000},
      {{"HTTP/1.1 404 Not Found", "Content-Length: 5000"}, 0, Verdict::kRefuse, 5000},
      {{"HTTP/1.1 500 Internal Server Error"}, 1048575, Verdict::kRefuse, -1},
      {{"HTTP/1.1 416 Range Not Satisfiable", "Content-Range: bytes */3000000"}, 3000000, Verdict::kRangeEnd, 3000000},
      // Unknown length: neither a length nor a total.
      {{"HTTP/1.1 200 OK", "Transfer-Encoding: chunked"}, 0, Verdict::kStartOver, -1},
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 100-199/*"}, 100, Verdict::kAppend, -1},
      // Only the last answer of a redirect chain counts.
      {{"HTTP/1.1 302 Found", "Content-Length: 20", "Location: /b", "", "HTTP/1.1 200 OK", "Content-Length: 7"},
       0,
       Verdict::kStartOver,
       7},
      // file: has no status lines; the length comes from the transfer and the rest follows offset.
      {{}, 0, Verdict::kAppend, -1},
  };
  for (const Case& c : cases) {
    const Response response = Answer(c.lines);
    const std::string label = c.lines.empty() ? std::string("(none)") : c.lines.back();
    EXPECT_EQ(Judge(response, c.offset), c.verdict) << label;
    EXPECT_EQ(FullSize(response, c.offset), c.fullSize) << label;
  }
}

TEST(DownloadResponse, TheValidatorIsTheETagElseLastModified) {
  EXPECT_EQ(Answer({"HTTP/1.1 200 OK", "etag: \"abc\"", "Last-Modified: Wed, 21 Oct 2026 07:28:00 GMT"}).Validator(),
            "\"abc\"");
  EXPECT_EQ(Answer({"HTTP/1.1 200 OK", "Last-Modified: Wed, 21 Oct 2026 07:28:00 GMT"}).Validator(),
            "Wed, 21 Oct 2026 07:28:00 GMT");
  EXPECT_EQ(Answer({"HTTP/1.1 301 Moved", "ETag: \"old\"", "HTTP/1.1 200 OK"}).Validator(), "");
}

TEST(DownloadState, TheStateFileIsCompactSortedAndKeepsOtherMembers) {
  State state = ParseState("{ \"size_downloaded\" : 1048575, \"comment\": \"mine\", \"size_all\": 3000000 }");
  EXPECT_TRUE(state.found);
  EXPECT_EQ(state.total, 3000000);
  EXPECT_EQ(state.downloaded, 1048575);
  state.downloaded = 2097150;
  EXPECT_EQ(SerializeState(state), "{\"comment\":\"mine\",\"size_all\":3000000,\"size_downloaded\":2097150}\n");
  state.validator = "\"e\"";
  state.url = "http://127.0.0.1/a b";
  EXPECT_EQ(SerializeState(state),
            "{\"comment\":\"mine\",\"size_all\":3000000,\"size_downloaded\":2097150,\"url\":\"http://127.0.0.1/a "
            "b\",\"validator\":\"\\\"e\\\"\"}\n");
  // Sizes beyond 32 bits print whole, without exponent or decimal point.
  state = State{};
  state.total = 5000000000;
  state.downloaded = 4294967297;
  EXPECT_EQ(SerializeState(state), "{\"size_all\":5000000000,\"size_downloaded\":4294967297}\n");
  EXPECT_EQ(ParseState(SerializeState(state)).total, 5000000000);
}

TEST(DownloadState, DamagedStateFilesReadAsNothingDownloaded) {
  for (const char* text : {"", "not json", "[1,2]", "{\"size_all\":\"many\",\"size_downloaded\":-5}"}) {
    const State state = ParseState(text);
    EXPECT_EQ(state.total, 0) << text;
    EXPECT_EQ(state.downloaded, 0) << text;
  }
  EXPECT_EQ(ParseState("{\"size_all\":3e6,\"size_downloaded\":1.0}").total, 3000000);
}

TEST(DownloadTask, FailingPassesBackOffUpToHalfAMinute) {
  EXPECT_EQ(BackoffMs(1), 250u);
  EXPECT_EQ(BackoffMs(2), 500u);
  EXPECT_EQ(BackoffMs(5), 4000u);
  EXPECT_EQ(BackoffMs(8), 30000u);
  EXPECT_EQ(BackoffMs(40), 30000u);
}

}  // namespace
}  // namespace download
