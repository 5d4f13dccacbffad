#include "fake_cloud_server.h"

#include <httplib.h>

#include <cctype>
#include <chrono>

#include "front/route_everything.h"

namespace ydt::test {
namespace {

live::ProviderRequest FromHttplib(const httplib::Request& req) {
  live::ProviderRequest out;
  out.method = req.method;
  out.scheme = "http";
  out.host = req.get_header_value("Host");
  out.path = req.path;
  // The query exactly as it came, still encoded pairs split at "&" and "=", so a fake can
  // check a signature over the bytes the client sent.
  const auto question = req.target.find('?');
  if (question != std::string::npos) {
    const std::string query = req.target.substr(question + 1);
    std::size_t pos = 0;
    while (pos <= query.size()) {
      std::size_t amp = query.find('&', pos);
      if (amp == std::string::npos) amp = query.size();
      const std::string pair = query.substr(pos, amp - pos);
      if (!pair.empty()) {
        const auto eq = pair.find('=');
        out.query.emplace_back(httplib::detail::decode_url(pair.substr(0, eq), true),
                               eq == std::string::npos
                                   ? std::string()
                                   : httplib::detail::decode_url(pair.substr(eq + 1), true));
      }
      pos = amp + 1;
    }
  }
  for (const auto& [name, value] : req.headers) {
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
        name == "LOCAL_PORT")
      continue;
    out.headers.emplace_back(name, value);
  }
  out.body = req.body;
  return out;
}

}  // namespace

FakeCloudServer::FakeCloudServer(FakeProvider& provider)
    : provider_(provider), server_(std::make_unique<httplib::Server>()) {
  auto handle = [this](const httplib::Request& req, httplib::Response& res) {
    const live::ProviderResponse answer = provider_.Handle(FromHttplib(req));
    res.status = answer.status;
    std::string type = "application/json";
    for (const auto& [name, value] : answer.headers) {
      std::string lower = name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "content-type")
        type = value;
      else
        res.set_header(name, value);
    }
    // httplib compresses a body typed exactly "application/json" with brotli at its slowest
    // setting whenever the client accepts br, as the gateway's transport does: 200 ms for a
    // page of 100 machines, which drowned every timing taken through a fake. The charset
    // parameter (true of every answer here) keeps the answer plain.
    if (type == "application/json") type += "; charset=utf-8";
    res.set_content(answer.body, type);
  };
  front::RouteEverything(*server_, handle);
  // As a provider's front servers do. Without it a reply's body waited on and off for the
  // gateway's delayed acknowledgement of the headers: 40 ms stalls in one request of a hundred.
  server_->set_tcp_nodelay(true);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    port_ = 0;
    return;
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // listen_after_bind() has not necessarily started when the thread does; a request sent
  // before it accepts would wait in the backlog, which is harmless, but Stop() before it
  // runs would be lost, so wait until it runs.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FakeCloudServer::~FakeCloudServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

}  // namespace ydt::test
