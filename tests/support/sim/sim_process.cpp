#include "sim_process.h"

#include "child_process.h"

#include <fcntl.h>
#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace ydt::test {
namespace {

int PortAfter(const std::string& line, const std::string& marker) {
  size_t at = line.find(marker);
  if (at == std::string::npos) return 0;
  size_t colon = line.rfind(':');
  if (colon == std::string::npos || colon < at) return 0;
  return std::atoi(line.c_str() + colon + 1);
}

}  // namespace

SimProcess::SimProcess(std::vector<std::string> extraArgs) {
  const char* bin = std::getenv("LXSIM_BIN");
  if (!bin || !*bin) bin = YDT_LXSIM_BUILT_BIN;
  if (access(bin, X_OK) != 0) {
    error_ = std::string("cannot run the simulator at ") + bin;
    return;
  }
  std::vector<std::string> args = {bin,       "--port",    "0",      "--web-port",      "0",
                                   "--quiet", "--captcha", kCaptcha, "--transition-ms", "150"};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());

  ChildLaunch launch;
  launch.args = std::move(args);
  // Read the start-up lines until the last one ("update notice: ...") or 10 s pass.
  const StartedChild started =
      StartChild(std::move(launch), std::chrono::seconds(10), [this](const std::string& line) {
        if (int p = PortAfter(line, "listening on")) port_ = p;
        if (int p = PortAfter(line, "web host on")) webPort_ = p;
        return line.rfind("update notice:", 0) == 0;
      });
  pid_ = started.pid;
  if (!started.ready || port_ <= 0) {
    error_ = pid_ < 0 ? "fork failed" : "the simulator did not report its ports";
    port_ = 0;
    Stop();
  }
}

SimProcess::~SimProcess() {
  Stop();
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  const int status = StopChild(pid_);
  pid_ = -1;
  return status;
}

std::string SimProcess::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/api/v1/lxinterface";
}

std::string SimProcess::WebHost() const {
  return "127.0.0.1:" + std::to_string(webPort_);
}

bool SimProcess::Control(const std::string& method, const std::string& path,
                         const std::string& body, std::string* reply) const {
  if (port_ <= 0) return false;
  httplib::Client client("127.0.0.1", port_);
  client.set_connection_timeout(5);
  client.set_read_timeout(10);
  httplib::Result result =
      method == "POST" ? client.Post(path, body, "application/json") : client.Get(path);
  if (!result || result->status != 200) return false;
  if (reply) *reply = result->body;
  return true;
}

bool SimProcess::SetFault(const nlohmann::json& fault) {
  return Control("POST", "/__control/fault", fault.dump(), nullptr);
}

bool SimProcess::ClearFaults() {
  return Control("POST", "/__control/fault", R"({"clear":true})", nullptr);
}

bool SimProcess::Reset() {
  return Control("POST", "/__control/reset", "{}", nullptr);
}

bool SimProcess::Advance(long long milliseconds) {
  return Control("POST", "/__control/advance", nlohmann::json{{"ms", milliseconds}}.dump(),
                 nullptr);
}

bool SimProcess::SetUpdateNotice(const std::string& text) {
  return Control("POST", "/__control/update-notice", nlohmann::json{{"text", text}}.dump(),
                 nullptr);
}

nlohmann::json SimProcess::RecentRequests(int count) const {
  std::string reply;
  if (!Control("GET", "/__control/requests?n=" + std::to_string(count), "", &reply)) {
    return nlohmann::json::array();
  }
  return nlohmann::json::parse(reply, nullptr, false);
}

nlohmann::json SimProcess::Stats() const {
  std::string reply;
  if (!Control("GET", "/__control/stats", "", &reply)) return nlohmann::json::object();
  return nlohmann::json::parse(reply, nullptr, false);
}

}  // namespace ydt::test
