// A loopback TCP server that captures the exact bytes of each request and answers with
// whatever the test scripts, so tests see the wire rather than what a library reports.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ydt::testing {

struct RawReply {
  std::string bytes;
  // Keep the connection open this long after sending, to simulate a stalled peer.
  int holdOpenMs = 0;
};

class RawServer {
 public:
  // Called once per connection with the raw request and its 0-based index.
  using Handler = std::function<RawReply(const std::string& request, int index)>;

  explicit RawServer(Handler handler);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int Port() const { return port_; }
  std::string Url(const std::string& path) const;
  std::vector<std::string> Requests() const;

 private:
  void Run();
  std::string ReadRequest(int fd);

  Handler handler_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A complete "HTTP/1.1 <status>" response that closes the connection after the body.
std::string CannedResponse(const std::string& body, const std::string& extraHeaders = "",
                           const std::string& status = "200 OK");

// The header lines of a raw request (request line excluded), in wire order.
std::vector<std::string> HeaderLines(const std::string& request);
std::string RequestLine(const std::string& request);
std::string RequestBody(const std::string& request);

}  // namespace ydt::testing
