// The gateway's server: the shared front over the clouds it is given, with its own users,
// sessions that end after a day unused, and no secret in anything it writes.
#pragma once

#include <functional>
#include <string>

#include "accounts.h"
#include "front/clock.h"
#include "front/front_server.h"
#include "gateway_options.h"

namespace ydt::gateway {

// What /gg/ shows under the console's login window.
inline constexpr const char* kAnnouncement = "本机自建网关：密钥只在本机签名，直接发往云厂商。";
inline constexpr int kCodeTooFrequent = 429;
inline constexpr std::chrono::hours kSessionIdle{24};

class Gateway : private front::FrontHooks {
 public:
  // `log` receives the per-request lines (empty = standard error); `now` drives sessions and
  // must be the one `accounts` uses.
  Gateway(const GatewayOptions& options, Accounts& accounts, front::Clouds& clouds,
          front::Now now = front::SteadyNow(), std::function<void(const std::string&)> log = {});

  bool Bind(std::string& error) { return front_.Bind(error); }
  int Port() const { return front_.Port(); }
  void Run() { front_.Run(); }
  void Stop() { front_.Stop(); }
  bool Finished() const { return front_.Finished(); }
  front::RequestJournal& Journal() { return front_.Journal(); }

 private:
  front::LoginVerdict CheckLogin(const std::string& user, const std::string& passwordMd5) override;
  bool UserStillValid(const std::string& user) override;

  Accounts& accounts_;
  front::FrontServer front_;
};

}  // namespace ydt::gateway
