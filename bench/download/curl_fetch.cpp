// The baseline of the download benchmark as a Windows program: the same libcurl, fetching a
// URL into a file in one transfer with the curl program's own receive buffer (100 KiB), and
// printing the seconds it took.
//   curl_fetch <url> <file>
#include <curl/curl.h>

#include <chrono>
#include <cstdio>

namespace {

size_t Write(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<FILE*>(file)) * size;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  FILE* file = std::fopen(argv[2], "wb");
  if (!file) return 1;
  curl_global_init(CURL_GLOBAL_ALL);
  const auto begun = std::chrono::steady_clock::now();
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, argv[1]);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Write);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 100L * 1024L);
  const CURLcode code = curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  std::fclose(file);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begun;
  std::printf("elapsed %.3f\n", elapsed.count());
  return code == CURLE_OK ? 0 : 1;
}
