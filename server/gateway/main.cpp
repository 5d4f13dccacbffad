// lxinterface-gateway: the console's backend on the operator's own computer, carrying each
// operation to the providers' public APIs.
#include <malloc.h>
#include <sys/stat.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "accounts.h"
#include "front/signal_wait.h"
#include "gateway.h"
#include "gateway_options.h"
#include "live/live_clouds.h"
#include "password_prompt.h"
#include "user_commands.h"

namespace {

constexpr int kUsageError = 2;

int Fail(const std::string& message) {
  std::cerr << "lxinterface-gateway: " << message << "\n";
  return kUsageError;
}

int Serve(const ydt::gateway::GatewayOptions& options, const std::string& usersPath) {
  ydt::gateway::Accounts accounts{ydt::gateway::UsersFile(usersPath)};
  std::string error;
  if (!accounts.Load(error)) return Fail(error);
  if (accounts.Count() == 0) {
    return Fail("no users in " + usersPath +
                ". Add one first, then start again:\n  lxinterface-gateway add-user NAME");
  }
  struct stat st {};
  if (::stat(usersPath.c_str(), &st) == 0 && (st.st_mode & 077) != 0) {
    std::cerr << "lxinterface-gateway: warning: " << usersPath
              << " can be read by other users; chmod 600 it\n";
  }

  // Every list request moves a provider's page of tens to hundreds of kilobytes through fresh
  // buffers, on whichever server thread takes it. By default glibc hands such memory back to
  // the system after each request and faults it in again for the next one; keeping a few
  // megabytes per thread instead spares each request that churn.
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_MMAP_THRESHOLD, 4 << 20);

  ydt::front::BlockStopSignals();
  const auto clouds = ydt::live::MakeLiveClouds(options.live);
  ydt::gateway::Gateway gateway(options, accounts, *clouds);
  if (!gateway.Bind(error)) return Fail(error);
  std::printf("lxinterface-gateway listening on %s:%d\n", options.host.c_str(), gateway.Port());
  std::printf("base address: http://%s:%d%s\n", options.host.c_str(), gateway.Port(),
              ydt::front::kBasePath);
  std::printf("users: %s (%zu)\n", usersPath.c_str(), accounts.Count());
  std::printf("captcha: %s\n",
              options.captcha.empty() ? "(as shown in the picture)" : options.captcha.c_str());
  for (const auto& [service, url] : options.live.endpoints.byService)
    std::printf("endpoint: %s -> %s\n", service.c_str(), url.c_str());
  std::fflush(stdout);
  ydt::front::RunUntilStopSignal([&gateway] { gateway.Run(); }, [&gateway] { gateway.Stop(); },
                                 [&gateway] { return gateway.Finished(); });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace ydt::gateway;
  GatewayOptions options;
  std::string error;
  std::vector<std::string> warnings;
  if (!ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error, warnings))
    return Fail(error);
  const std::string usersPath = DefaultUsersPath();
  if (options.command == Command::kHelp) {
    std::cout << UsageText(usersPath.empty() ? "~/.config/lxinterface-gateway/users" : usersPath);
    return 0;
  }
  if (usersPath.empty()) return Fail("neither XDG_CONFIG_HOME nor a home folder is known");
  for (const auto& warning : warnings) std::cerr << "lxinterface-gateway: " << warning << "\n";

  const UsersFile file(usersPath);
  switch (options.command) {
    case Command::kAddUser: {
      std::string why;
      if (!UserNameAcceptable(options.user, why)) return Fail("add-user: " + why);
      std::string typed;
      if (!ReadNewPassword(options.user, typed, error)) return Fail("add-user: " + error);
      return AddUser(file, options.user, typed, ScryptParams{}, std::cout, std::cerr);
    }
    case Command::kRemoveUser:
      return RemoveUser(file, options.user, std::cout, std::cerr);
    case Command::kListUsers:
      return ListUsers(file, std::cout, std::cerr);
    case Command::kServe:
    case Command::kHelp:
      break;
  }
  return Serve(options, usersPath);
}
