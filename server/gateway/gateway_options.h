// The gateway's command line: what to do, where to listen, and the rules that keep an
// operator's keys off the network unless they say otherwise.
#pragma once

#include <string>
#include <vector>

#include "live/live_clouds.h"

namespace ydt::gateway {

enum class Command { kServe, kAddUser, kRemoveUser, kListUsers, kHelp };

struct GatewayOptions {
  Command command = Command::kServe;
  std::string user;  // of add-user and remove-user
  std::string host = "127.0.0.1";
  int port = 60080;  // 0 = any free port (printed)
  bool allowRemote = false;
  std::string captcha;  // fixed captcha code; empty = a fresh code per picture
  bool quiet = false;
  live::LiveOptions live;
};

// False with a reason for anything it cannot take. `warnings` receives what the operator
// must hear even when the line is accepted.
bool ParseCommandLine(const std::vector<std::string>& args, GatewayOptions& options,
                      std::string& error, std::vector<std::string>& warnings);

// 127.0.0.0/8, ::1 and "localhost".
bool IsLoopbackHost(const std::string& host);

// The --help text; `usersPath` is where this user's file is.
std::string UsageText(const std::string& usersPath);

}  // namespace ydt::gateway
