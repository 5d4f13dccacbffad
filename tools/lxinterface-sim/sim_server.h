// The two listening servers: the backend API (plain http) with its loopback-only control
// endpoints, and the vendor's web host (https) with the update notice and registration page.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fault_plan.h"
#include "request_journal.h"
#include "seed_data.h"
#include "session_store.h"
#include "world.h"

namespace ydt::sim {

inline constexpr const char* kBasePath = "/api/v1/lxinterface";

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 60080;     // 0 = any free port
  int webPort = 60443;  // 0 = any free port; -1 = no web host
  bool quiet = false;
  std::string captcha;       // fixed captcha code; empty = a fresh random code per picture
  std::string updateNotice;  // body of the update notice file
  WorldOptions world;
  std::vector<FaultRule> faults;
};

class SimServer {
 public:
  SimServer(ServerOptions options, SeedData seed);
  ~SimServer();

  // Binds both ports (generating the web host's certificate first). False with a reason.
  bool Bind(std::string& error);
  int Port() const { return port_; }
  int WebPort() const { return webPort_; }
  // Serves until Stop(); safe to call Stop() from another thread, also before Run() has
  // started listening (call it again until Finished(): a server not yet listening ignores it).
  void Run();
  void Stop();
  bool Finished() const { return finished_; }

 private:
  struct Route {
    std::string op;        // login, logininfo, gg, verifycode, instances, rebuild/run, ...
    std::string provider;  // segment for /yunduotai/ operations
    bool known = false;
  };

  void HandleApi(const httplib::Request& req, httplib::Response& res);
  void HandleWeb(const httplib::Request& req, httplib::Response& res);
  void HandleControl(const httplib::Request& req, httplib::Response& res);
  Route RouteOf(const std::string& path) const;
  Reply Execute(const Route& route, const httplib::Request& req, httplib::Response& res);
  void Deliver(httplib::Response& res, std::string body, const std::string& contentType,
               const FaultDecision& faults, bool envelope);
  void Record(const Route& route, const httplib::Request& req);
  void LogLine(const httplib::Request& req, int status, const std::string& note,
               std::chrono::steady_clock::time_point started);
  // Sleeps, but wakes early when the server stops, so shutdown never waits on a fault.
  bool SleepUnlessStopping(int milliseconds);

  ServerOptions options_;
  World world_;
  SessionStore sessions_;
  FaultPlan faults_;
  RequestJournal journal_;
  std::string updateNotice_;
  std::mutex noticeMutex_;
  std::mutex logMutex_;

  std::unique_ptr<httplib::Server> api_;
  std::unique_ptr<httplib::SSLServer> web_;
  std::string certDir_;
  int port_ = 0;
  int webPort_ = 0;

  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace ydt::sim
