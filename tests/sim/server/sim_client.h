// A minimal client for the simulator's wire protocol: form bodies as given (GBK bytes),
// the interface header, and the session cookie carried from reply to request.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace ydt::test {

struct SimReply {
  bool transportOk = false;
  int status = 0;
  std::string body;
  nlohmann::json json;  // discarded when the body is not JSON
  std::string setCookie;
  std::string contentType;

  int Code() const { return json.is_object() ? json.value("code", -1) : -1; }
  std::string Msg() const { return json.is_object() ? json.value("msg", "") : ""; }
  const nlohmann::json& Data() const { return json.at("data"); }
};

class SimClient {
 public:
  explicit SimClient(int port) : port_(port) {}

  // `path` is below the base path, e.g. "/yunduotai/qcloud/instances/".
  SimReply Post(const std::string& path, const std::string& form, bool interfaceHeader = true);
  SimReply Get(const std::string& path, bool interfaceHeader = true);
  // Logs in with the demo user and the fixed test captcha; true on code 0.
  bool LogIn();
  // Form prefix "secretid=...&secretkey=..." for a demo key pair of a provider segment.
  static std::string Keys(const std::string& segment, const std::string& prefix = "demo");

  std::string cookie;  // "LXSESSID=..." once a reply set it

 private:
  SimReply Send(const std::string& method, const std::string& path, const std::string& form,
                bool interfaceHeader);
  int port_;
};

}  // namespace ydt::test
