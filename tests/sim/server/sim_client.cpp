#include "sim_client.h"

#include <httplib.h>

#include "front/text_codec.h"
#include "sim_process.h"

namespace ydt::test {

SimReply SimClient::Send(const std::string& method, const std::string& path,
                         const std::string& form, bool interfaceHeader) {
  httplib::Client client("127.0.0.1", port_);
  client.set_read_timeout(30);
  httplib::Headers headers;
  if (interfaceHeader) headers.emplace("Interface", "yunduotai");
  if (!cookie.empty()) headers.emplace("Cookie", cookie);
  const std::string target = std::string("/api/v1/lxinterface") + path;
  httplib::Result result =
      method == "POST" ? client.Post(target, headers, form, "application/x-www-form-urlencoded")
                       : client.Get(target, headers);
  SimReply reply;
  if (!result) return reply;
  reply.transportOk = true;
  reply.status = result->status;
  reply.body = result->body;
  reply.contentType = result->get_header_value("Content-Type");
  reply.setCookie = result->get_header_value("Set-Cookie");
  reply.json = nlohmann::json::parse(reply.body, nullptr, false);
  if (!reply.setCookie.empty()) cookie = reply.setCookie.substr(0, reply.setCookie.find(';'));
  return reply;
}

SimReply SimClient::Post(const std::string& path, const std::string& form, bool interfaceHeader) {
  return Send("POST", path, form, interfaceHeader);
}

SimReply SimClient::Get(const std::string& path, bool interfaceHeader) {
  return Send("GET", path, "", interfaceHeader);
}

bool SimClient::LogIn() {
  const std::string digest = front::Md5Hex(SimProcess::kPassword);
  return Post("/login/", "username=%64%65%6D%6F&password=" + digest +
                             "&verifycode=" + SimProcess::kCaptcha + "&type=yunduotai")
             .Code() == 0;
}

std::string SimClient::Keys(const std::string& segment, const std::string& prefix) {
  return "secretid=" + prefix + "-" + segment + "-id&secretkey=" + prefix + "-" + segment + "-key";
}

}  // namespace ydt::test
