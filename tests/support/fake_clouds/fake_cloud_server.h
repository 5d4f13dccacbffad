// Serves one FakeProvider on a loopback port, so the gateway's transport and the providers'
// official SDKs reach it over real HTTP.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "fake_provider.h"

namespace httplib {
class Server;
}

namespace ydt::test {

class FakeCloudServer {
 public:
  // Starts serving on 127.0.0.1 at a free port; Port() is 0 when that failed.
  explicit FakeCloudServer(FakeProvider& provider);
  ~FakeCloudServer();
  FakeCloudServer(const FakeCloudServer&) = delete;
  FakeCloudServer& operator=(const FakeCloudServer&) = delete;

  int Port() const { return port_; }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  FakeProvider& provider_;
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace ydt::test
