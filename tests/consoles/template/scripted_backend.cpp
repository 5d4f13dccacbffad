#include "scripted_backend.h"

namespace ydt::testing {
namespace {
constexpr std::string_view kBasePath = "/api/v1/lxinterface";
}

ScriptedBackend::ScriptedBackend() {
  auto answer = [this](const httplib::Request& req, httplib::Response& res) { Answer(req, res); };
  server_.Get(".*", answer);
  server_.Post(".*", answer);
  port_ = server_.bind_to_any_port("127.0.0.1");
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  // stop() only stops a server that is already listening.
  while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ScriptedBackend::~ScriptedBackend() {
  server_.stop();
  thread_.join();
}

std::string ScriptedBackend::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(kBasePath);
}

void ScriptedBackend::Queue(const std::string& path, std::string body,
                            std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  queued_[path].push_back(Scripted{std::move(body), delay});
}

void ScriptedBackend::Standing(const std::string& path, std::string body) {
  std::lock_guard lock(mutex_);
  standing_[path] = std::move(body);
}

std::vector<ScriptedBackend::Request> ScriptedBackend::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> ScriptedBackend::Forms(const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> forms;
  for (const Request& r : requests_) {
    if (r.path == path) forms.push_back(r.form);
  }
  return forms;
}

void ScriptedBackend::Forget() {
  std::lock_guard lock(mutex_);
  requests_.clear();
}

void ScriptedBackend::Answer(const httplib::Request& req, httplib::Response& res) {
  std::string path = req.path;
  if (path.rfind(kBasePath, 0) == 0) path.erase(0, kBasePath.size());
  Scripted reply{kSuccess, {}};
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(Request{path, req.body});
    auto queued = queued_.find(path);
    if (queued != queued_.end() && !queued->second.empty()) {
      reply = queued->second.front();
      queued->second.pop_front();
    } else if (auto standing = standing_.find(path); standing != standing_.end()) {
      reply.body = standing->second;
    }
  }
  if (reply.delay.count() > 0) std::this_thread::sleep_for(reply.delay);
  res.set_content(reply.body, "application/json");
}

std::string FormValue(const std::string& form, const std::string& name) {
  const std::string key = name + "=";
  std::size_t at = 0;
  while (at <= form.size()) {
    const std::size_t end = std::min(form.find('&', at), form.size());
    if (form.compare(at, key.size(), key) == 0)
      return form.substr(at + key.size(), end - at - key.size());
    at = end + 1;
  }
  return "";
}

}  // namespace ydt::testing
