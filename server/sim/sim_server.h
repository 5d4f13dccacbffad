// The stand-in's two listening servers: the console's protocol (the shared front, plain
// http) answered from the simulated world, with fault switches and loopback-only control
// endpoints; and the vendor's web host (https) with the update notice and registration page.
#pragma once

#include <httplib.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fault_plan.h"
#include "front/front_server.h"
#include "seed_data.h"
#include "world.h"

namespace ydt::sim {

using front::kBasePath;

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

class SimServer : private front::FrontHooks {
 public:
  SimServer(ServerOptions options, SeedData seed);
  ~SimServer() override;

  // Binds both ports (generating the web host's certificate first). False with a reason.
  bool Bind(std::string& error);
  int Port() const { return front_.Port(); }
  int WebPort() const { return webPort_; }
  // Serves until Stop(); safe to call Stop() from another thread, also before Run() has
  // started listening (call it again until Finished(): a server not yet listening ignores it).
  void Run();
  void Stop();
  bool Finished() const { return finished_; }

 private:
  std::optional<std::string> HandleOther(const httplib::Request& req,
                                         httplib::Response& res) override;
  front::AnswerPlan PlanAnswer(const std::string& op, const std::string& provider) override;
  front::LoginVerdict CheckLogin(const std::string& user, const std::string& passwordMd5) override;

  void HandleWeb(const httplib::Request& req, httplib::Response& res);
  void HandleControl(const httplib::Request& req, httplib::Response& res);
  void Deliver(httplib::Response& res, std::string body, const std::string& contentType,
               const FaultDecision& faults, bool envelope);
  // Sleeps, but wakes early when the server stops, so shutdown never waits on a fault.
  bool SleepUnlessStopping(int milliseconds);

  ServerOptions options_;
  World world_;
  FaultPlan faults_;
  front::FrontServer front_;
  std::string updateNotice_;
  std::mutex noticeMutex_;

  std::unique_ptr<httplib::SSLServer> web_;
  std::string certDir_;
  int webPort_ = 0;

  std::mutex stopMutex_;
  std::condition_variable stopCv_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> finished_{false};
};

}  // namespace ydt::sim
