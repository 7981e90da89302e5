#include "download_pass.h"

#include <memory>
#include <string_view>

#include "download_certificate.h"

namespace download {

namespace {

struct Pass {
  const PassRequest& request;
  PassProgress& progress;
  const Sink& sink;
  PassResult result;
  bool judged = false;
  CURL* easy = nullptr;
};

// An answer over https counts only when the host trusts the server's certificate chain.
bool ServerTrusted(Pass& pass) {
  char* address = nullptr;
  if (curl_easy_getinfo(pass.easy, CURLINFO_EFFECTIVE_URL, &address) != CURLE_OK || !address) return false;
  CURLU* parsed = curl_url();
  if (!parsed) return false;
  char* scheme = nullptr;
  char* host = nullptr;
  bool trusted = false;
  if (curl_url_set(parsed, CURLUPART_URL, address, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    curl_certinfo* chain = nullptr;
    if (std::string_view(scheme) != "https") trusted = true;
    else if (curl_easy_getinfo(pass.easy, CURLINFO_CERTINFO, &chain) == CURLE_OK) trusted = TrustedChain(chain, host);
  }
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(parsed);
  return trusted;
}

struct EasyDeleter {
  void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};

size_t OnHeader(char* data, size_t size, size_t count, void* parameter) {
  auto* pass = static_cast<Pass*>(parameter);
  const size_t n = size * count;
  pass->result.response.AddHeaderLine(std::string_view(data, n));
  return n;
}

// Decides, at the first body byte, what the answer's body is.
void JudgeOnce(Pass& pass) {
  if (pass.judged) return;
  pass.judged = true;
  pass.result.verdict = Judge(pass.result.response, pass.request.offset);
  if (!ServerTrusted(pass)) pass.result.verdict = Verdict::kRefuse;
  pass.progress.fromZero = pass.result.verdict == Verdict::kStartOver;
}

size_t OnBody(char* data, size_t size, size_t count, void* parameter) {
  auto* pass = static_cast<Pass*>(parameter);
  const size_t n = size * count;
  if (pass->request.stop && pass->request.stop->load()) return 0;
  JudgeOnce(*pass);
  PassResult& result = pass->result;
  if (result.verdict != Verdict::kAppend && result.verdict != Verdict::kStartOver) return 0;
  std::string& buffer = result.bytes;
  if (buffer.capacity() < kPassLimit) {
    try {
      buffer.reserve(kPassLimit);
    } catch (...) {
      return 0;
    }
  }
  if (!buffer.empty() && buffer.size() + n >= kPassLimit) {
    if (result.verdict == Verdict::kAppend) return 0;  // the pass ends here; the next one resumes
    if (!pass->sink(buffer, !result.streamed)) {
      result.sinkFailed = true;
      return 0;
    }
    result.streamed = true;
    buffer.clear();
  }
  try {
    buffer.append(data, n);
  } catch (...) {
    return 0;
  }
  pass->progress.received += static_cast<int64_t>(n);
  if (pass->request.hooks.onBytes) pass->request.hooks.onBytes(n);
  return n;
}

// Ends a pass that waits for a server that sends nothing, once a stop is asked for.
int OnTransferInfo(void* parameter, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* pass = static_cast<Pass*>(parameter);
  return pass->request.stop && pass->request.stop->load() ? 1 : 0;
}

}  // namespace

PassResult RunPass(const PassRequest& request, PassProgress& progress, const Sink& sink) {
  Pass pass{request, progress, sink, {}, false, nullptr};
  progress.received = 0;
  progress.fromZero = false;
  const std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  if (!easy) {
    pass.result.code = CURLE_FAILED_INIT;
    return pass.result;
  }
  std::unique_ptr<curl_slist, ListDeleter> headers;
  if (request.offset > 0 && !request.validator.empty()) {
    const std::string ifRange = "If-Range: " + request.validator;
    headers.reset(curl_slist_append(nullptr, ifRange.c_str()));
  }
  CURL* e = easy.get();
  pass.easy = e;
  curl_easy_setopt(e, CURLOPT_CERTINFO, 1L);
  curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(e, CURLOPT_TIMEOUT, 1000L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 30L);
  // A connection that brings nothing for a minute is dead; the next pass tries again.
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, 60L);
  // Receives as large as a pass: every socket call is costly on some systems (Wine's take a
  // round trip to its server), and the default 16 KiB made a pass several times slower.
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, request.hooks.receiveBytes > 0 ? request.hooks.receiveBytes : 1024L * 1024L);
  if (request.stop) {
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, OnTransferInfo);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &pass);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  }
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &pass);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &pass);
  // Each pass asks for exactly the bytes it keeps, so the server sends no more than that and
  // the connection stays open for the next pass. A plain range rather than the library's
  // resume: its resume refuses a 200 answer outright, and that answer is the whole (possibly
  // changed) file, which is wanted.
  const std::string range =
      std::to_string(request.offset) + "-" + std::to_string(request.offset + static_cast<int64_t>(kPassLimit) - 2);
  curl_easy_setopt(e, CURLOPT_RANGE, range.c_str());
  if (headers) curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  // Certificates are verified; a revocation server that cannot be reached does not fail the pass.
  curl_easy_setopt(e, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
  if (request.share) curl_easy_setopt(e, CURLOPT_SHARE, request.share);
  pass.result.code = curl_easy_perform(e);
  // An answer without a body (an empty file, a 416) is judged by its status alone.
  long status = 0;
  if (curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status != 0) {
    if (pass.result.response.status == 0) pass.result.response.status = status;
  }
  if (!pass.judged && (pass.result.code == CURLE_OK || pass.result.response.status != 0)) JudgeOnce(pass);
  if (pass.result.response.status == 0 && pass.result.response.contentLength < 0) {
    curl_off_t length = -1;
    if (curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
      pass.result.response.contentLength = length;
  }
  return pass.result;
}

}  // namespace download
