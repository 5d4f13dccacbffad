// A stand-in backend on a free loopback port whose replies are scripted per operation path,
// each with an optional delay, and which keeps every form it was sent. For the replies the
// simulator does not give on demand (a zone count of 0, one slow image list among fast ones).
#pragma once

#include <httplib.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ydt::testing {

class ScriptedBackend {
 public:
  struct Request {
    std::string path;  // below the base address, e.g. "/yunduotai/qcloud/zones/"
    std::string form;
  };

  ScriptedBackend();
  ~ScriptedBackend();
  ScriptedBackend(const ScriptedBackend&) = delete;
  ScriptedBackend& operator=(const ScriptedBackend&) = delete;

  std::string BaseUrl() const;

  // The next reply for `path`; once the queue is empty the path's standing reply answers
  // (by default a bare success envelope).
  void Queue(const std::string& path, std::string body, std::chrono::milliseconds delay = {});
  void Standing(const std::string& path, std::string body);

  std::vector<Request> Requests() const;
  std::vector<std::string> Forms(const std::string& path) const;
  void Forget();

  static constexpr const char* kSuccess = R"({"code":0,"msg":"ok","data":{}})";

 private:
  struct Scripted {
    std::string body;
    std::chrono::milliseconds delay{};
  };
  void Answer(const httplib::Request& req, httplib::Response& res);

  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::map<std::string, std::deque<Scripted>> queued_;
  std::map<std::string, std::string> standing_;
  std::vector<Request> requests_;
};

// The value of one field of a form text ("" when absent); values here carry no escapes.
std::string FormValue(const std::string& form, const std::string& name);

}  // namespace ydt::testing
