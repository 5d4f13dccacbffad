#include "raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <chrono>

#include <cstdlib>

namespace ydt::testing {
namespace {

bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, ms) > 0;
}

void SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client gave up, as the caps make it do
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  listen(listenFd_, 16);
  socklen_t len = sizeof addr;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  thread_ = std::thread([this] { Run(); });
}

RawServer::~RawServer() {
  stop_ = true;
  thread_.join();
  close(listenFd_);
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> RawServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string RawServer::ReadRequest(int fd) {
  std::string data;
  char buffer[4096];
  std::size_t headerEnd = std::string::npos;
  std::size_t wanted = 0;
  while (!stop_) {
    if (headerEnd != std::string::npos && data.size() >= wanted) break;
    if (!WaitReadable(fd, 50)) continue;
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
    if (headerEnd == std::string::npos) {
      headerEnd = data.find("\r\n\r\n");
      if (headerEnd == std::string::npos) continue;
      wanted = headerEnd + 4;
      for (const std::string& line : HeaderLines(data)) {
        if (line.size() > 15 && strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
          wanted += std::strtoul(line.c_str() + 15, nullptr, 10);
      }
    }
  }
  return data;
}

void RawServer::Run() {
  int index = 0;
  while (!stop_) {
    if (!WaitReadable(listenFd_, 50)) continue;
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    const std::string request = ReadRequest(fd);
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    const RawReply reply = handler_(request, index++);
    SendAll(fd, reply.bytes);
    const auto until =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.holdOpenMs);
    // Hold the line until the deadline or until the client hangs up.
    while (!stop_ && std::chrono::steady_clock::now() < until) {
      if (WaitReadable(fd, 20)) {
        char scratch[256];
        if (recv(fd, scratch, sizeof scratch, 0) <= 0) break;
      }
    }
    shutdown(fd, SHUT_RDWR);
    close(fd);
  }
}

std::string CannedResponse(const std::string& body, const std::string& extraHeaders,
                           const std::string& status) {
  return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

std::string RequestLine(const std::string& request) {
  return request.substr(0, request.find("\r\n"));
}

std::vector<std::string> HeaderLines(const std::string& request) {
  std::vector<std::string> lines;
  std::size_t start = request.find("\r\n");
  const std::size_t end = request.find("\r\n\r\n");
  if (start == std::string::npos || end == std::string::npos) return lines;
  start += 2;
  while (start < end + 2) {
    const std::size_t next = request.find("\r\n", start);
    lines.push_back(request.substr(start, next - start));
    start = next + 2;
  }
  return lines;
}

std::string RequestBody(const std::string& request) {
  const std::size_t end = request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : request.substr(end + 4);
}

}  // namespace ydt::testing
