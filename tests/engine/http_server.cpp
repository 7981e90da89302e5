#include "http_server.h"

#include <winsock2.h>
#include <windows.h>

namespace testhost {

HttpServer::HttpServer(std::map<std::string, std::string> files) : files_(std::move(files)) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(s, 8);
  int len = sizeof addr;
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  listener_ = s;
  thread_ = CreateThread(nullptr, 0, Loop, this, 0, nullptr);
}

HttpServer::~HttpServer() {
  closesocket(static_cast<SOCKET>(listener_));
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
}

unsigned long __stdcall HttpServer::Loop(void* param) {
  auto* self = static_cast<HttpServer*>(param);
  for (;;) {
    SOCKET c = accept(static_cast<SOCKET>(self->listener_), nullptr, nullptr);
    if (c == INVALID_SOCKET) return 0;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      int got = recv(c, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<size_t>(got));
    }
    InterlockedIncrement(&self->requests_);
    size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    auto it = self->files_.find(path);
    std::string response;
    if (it == self->files_.end()) {
      response = "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
      response = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(it->second.size()) +
                 "\r\nConnection: close\r\n\r\n" + it->second;
    }
    send(c, response.data(), static_cast<int>(response.size()), 0);
    shutdown(c, SD_SEND);
    closesocket(c);
  }
}

}  // namespace testhost
