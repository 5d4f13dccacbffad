// Runs the stand-in backend (lxinterface-sim) as a child process for the length of a test.
//
//   ydt::test::SimProcess sim;                        // demo data, captcha "ABCD", fast states
//   client.SetBaseUrl(sim.BaseUrl());                 // http://127.0.0.1:PORT/api/v1/lxinterface
//   sim.SetFault({{"kind", "fail"}, {"op", "qcloud/instances"}, {"code", 7}, {"msg", "x"}});
//
// The binary comes from the environment variable LXSIM_BIN (ctest sets it), else from the
// path the build compiled in. Ports are chosen
// by the simulator (--port 0 --web-port 0) and read from its start-up lines. The destructor
// stops it with SIGTERM. Demo credentials: user "demo" / "demo123"; key pairs
// "demo-<qcloud|aliyun|huawei>-id" / "demo-<...>-key" with 3, 250, 10,000 and 0 machines in
// the regions at index 0, 1, 2, 3 of each provider; "demo2-..." pairs with a few machines.
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ydt::test {

class SimProcess {
 public:
  static constexpr const char* kCaptcha = "ABCD";
  static constexpr const char* kUser = "demo";
  static constexpr const char* kPassword = "demo123";

  // Starts the simulator with "--port 0 --web-port 0 --quiet --captcha ABCD
  // --transition-ms 150" followed by `extraArgs` (later flags win, so a test may override
  // any of these). Check Started() before use; StartError() says what went wrong.
  explicit SimProcess(std::vector<std::string> extraArgs = {});
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  bool Started() const { return port_ > 0; }
  const std::string& StartError() const { return error_; }
  int Port() const { return port_; }
  int WebPort() const { return webPort_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT/api/v1/lxinterface"
  std::string WebHost() const;  // "127.0.0.1:PORT" of the https web host

  // Control endpoints; each returns false when the simulator refused or did not answer.
  bool SetFault(const nlohmann::json& fault);  // one rule, or an array of rules
  bool ClearFaults();
  bool Reset();  // faults, request journal, machines and update notice back to the start
  bool SetUpdateNotice(const std::string& text);
  // Moves the machines' clock on: transitions and timed destructions due by then end.
  bool Advance(long long milliseconds);
  // The last `count` requests, oldest first: objects with method, target, op, provider,
  // body (as received, converted from GBK), body_hex (the exact bytes) and headers.
  nlohmann::json RecentRequests(int count = 50) const;
  nlohmann::json Stats() const;  // {"counts": {"qcloud/instances": n, ..., "total": n}, ...}

  // Sends SIGTERM and waits; the destructor does it too. Returns the exit status.
  int Stop();

 private:
  bool Control(const std::string& method, const std::string& path, const std::string& body,
               std::string* reply) const;

  pid_t pid_ = -1;
  int port_ = 0;
  int webPort_ = 0;
  std::string error_;
};

}  // namespace ydt::test
