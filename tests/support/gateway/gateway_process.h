// Runs lxinterface-gateway as a child process for the length of a test or benchmark, with a
// scratch configuration folder holding one user.
//
//   ydt::test::FakedClouds clouds(250);
//   ydt::test::GatewayProcess gateway(clouds.EndpointFlags());
//   client.SetBaseUrl(gateway.BaseUrl());   // http://127.0.0.1:PORT/api/v1/lxinterface
//
// The binary comes from LXGATEWAY_BIN, else from the path the build compiled in. The user
// is added with `add-user demo` (password on standard input), then the gateway starts with
// "--port 0 --captcha ABCD" and the given flags; its port is read from its start-up line.
// Its standard error (one line per request) goes to a file in the scratch folder. The
// destructor stops it with SIGTERM and removes the folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace ydt::test {

class GatewayProcess {
 public:
  // The same login as the stand-in's, so the console's login helpers serve both.
  static constexpr const char* kCaptcha = "ABCD";
  static constexpr const char* kUser = "demo";
  static constexpr const char* kPassword = "demo123";

  explicit GatewayProcess(std::vector<std::string> flags = {});
  ~GatewayProcess();
  GatewayProcess(const GatewayProcess&) = delete;
  GatewayProcess& operator=(const GatewayProcess&) = delete;

  bool Started() const { return port_ > 0; }
  const std::string& StartError() const { return error_; }
  int Port() const { return port_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT/api/v1/lxinterface"
  // Processor time (user + system) the gateway has used so far, in milliseconds.
  double CpuMs() const;
  // What the gateway wrote on standard error so far: its request lines and warnings.
  std::string LogText() const;

  // Sends SIGTERM and waits; the destructor does it too. Returns the wait status.
  int Stop();

 private:
  bool AddUser(const std::string& bin);

  std::string scratch_;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string error_;
};

}  // namespace ydt::test
