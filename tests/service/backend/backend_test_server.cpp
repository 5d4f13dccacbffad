#include "backend_test_server.h"

#include <chrono>

namespace ydt::testing {

BackendTestServer::BackendTestServer() {
  auto answer = [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); };
  server_.Get(".*", answer);
  server_.Post(".*", answer);
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() is a no-op until the loop runs, so a quick destruction would hang in join().
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

BackendTestServer::~BackendTestServer() {
  server_.stop();
  thread_.join();
}

void BackendTestServer::Reply(std::string body, int status, std::string setCookie) {
  std::lock_guard lock(mutex_);
  body_ = std::move(body);
  status_ = status;
  setCookie_ = std::move(setCookie);
}

BackendTestServer::Seen BackendTestServer::Last() const {
  std::lock_guard lock(mutex_);
  return last_;
}

std::string BackendTestServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/api/v1/lxinterface";
}

void BackendTestServer::Answer(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard lock(mutex_);
  last_ = Seen{req.method,
               req.path,
               req.body,
               req.get_header_value("Interface"),
               req.get_header_value("Cookie"),
               req.params};
  res.status = status_;
  if (!setCookie_.empty()) res.set_header("Set-Cookie", setCookie_);
  res.set_content(body_, "application/json");
}

}  // namespace ydt::testing
