// A stand-in backend on a free loopback port that answers every path with a scripted
// reply and remembers the last request it saw.
#pragma once

#include <httplib.h>

#include <mutex>
#include <string>
#include <thread>

namespace ydt::testing {

class BackendTestServer {
 public:
  struct Seen {
    std::string method;
    std::string path;
    std::string body;
    std::string interfaceHeader;
    std::string cookie;
    httplib::Params params;
  };

  BackendTestServer();
  ~BackendTestServer();

  // The reply body (and status) for every following request; Set-Cookie optional.
  void Reply(std::string body, int status = 200, std::string setCookie = "");
  Seen Last() const;
  std::string BaseUrl() const;

 private:
  void Answer(const httplib::Request& req, httplib::Response& res);

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::string body_;
  int status_ = 200;
  std::string setCookie_;
  Seen last_;
};

}  // namespace ydt::testing
