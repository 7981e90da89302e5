#include "platform/fetch.h"

#include <windows.h>

#include <curl/curl.h>

#include <memory>

#include "runtime/runtime.h"

namespace fetch {
namespace {

volatile LONG activeWorkers = 0;
volatile LONG stopping = 0;
bool curlReady = false;

size_t Collect(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

int Progress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) { return stopping ? 1 : 0; }

std::optional<std::string> Get(const std::string& url, bool cookies, std::string& finalUrl) {
  CURL* curl = curl_easy_init();
  if (!curl) return std::nullopt;
  std::string body;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 15L);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "webshell");
  if (cookies) curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
  CURLcode rc = curl_easy_perform(curl);
  char* effective = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective) finalUrl = effective;
  curl_easy_cleanup(curl);
  if (rc != CURLE_OK) return std::nullopt;
  return body;
}

DWORD WINAPI Worker(void* param) {
  try {
    std::unique_ptr<Job> job(static_cast<Job*>(param));
    for (const std::string& url : job->urls) {
      std::string finalUrl = url;
      job->bodies.push_back(stopping ? std::nullopt : Get(url, job->cookies, finalUrl));
      job->finalUrls.push_back(finalUrl);
    }
    HWND window = runtime::Window();
    if (!stopping && window && PostMessageW(window, kMsgFetched, 0, reinterpret_cast<LPARAM>(job.get()))) job.release();
  } catch (...) {}
  InterlockedDecrement(&activeWorkers);
  return 0;
}

}  // namespace

void Init() { stopping = 0; }

void Shutdown() {
  InterlockedExchange(&stopping, 1);
  for (int i = 0; i < 500 && activeWorkers > 0; ++i) Sleep(10);
  if (curlReady && activeWorkers == 0) {
    curl_global_cleanup();
    curlReady = false;
  }
}

bool Start(Job* raw) {
  std::unique_ptr<Job> job(raw);
  // The network library starts with the first fetch, not with the engine: its start-up (sockets
  // and the TLS provider) took a good part of the program's own start-up time, and most pages
  // come from the package.
  if (!curlReady && !stopping) curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  if (!curlReady || stopping) return false;
  InterlockedIncrement(&activeWorkers);
  HANDLE thread = CreateThread(nullptr, 0, Worker, job.get(), 0, nullptr);
  if (!thread) {
    InterlockedDecrement(&activeWorkers);
    return false;
  }
  job.release();
  CloseHandle(thread);
  return true;
}

void Delivered(Job* raw) {
  std::unique_ptr<Job> job(raw);
  if (job->done) job->done(*job);
}

}  // namespace fetch
