#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 for the engine's network loading tests.
#include <map>
#include <string>

namespace testhost {

class HttpServer {
 public:
  // Serves path -> body ("/index.html" -> "<html>..."); anything else is 404.
  explicit HttpServer(std::map<std::string, std::string> files);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;
  int port() const { return port_; }
  int requests() const { return requests_; }

 private:
  static unsigned long __stdcall Loop(void* self);
  std::map<std::string, std::string> files_;
  uintptr_t listener_;
  void* thread_ = nullptr;
  int port_ = 0;
  volatile long requests_ = 0;
};

}  // namespace testhost
