#include "gateway_options.h"

#include <charconv>

namespace ydt::gateway {
namespace {

bool ParsePort(const std::string& text, int& port) {
  int value = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 65535)
    return false;
  port = value;
  return true;
}

bool ParseEndpoint(const std::string& text, live::EndpointOverrides& endpoints,
                   std::string& error) {
  const std::size_t eq = text.find('=');
  const std::string name = text.substr(0, eq);
  const std::string url = eq == std::string::npos ? "" : text.substr(eq + 1);
  const bool schemeOk = url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0;
  if (name.empty() || !schemeOk || url.find_first_of(" \t\r\n") != std::string::npos) {
    error = "--endpoint wants NAME=URL with an http:// or https:// URL, got \"" + text + "\"";
    return false;
  }
  endpoints.byService[name] = url;
  return true;
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  return host == "localhost" || host == "::1" || host == "[::1]" || host.rfind("127.", 0) == 0;
}

bool ParseCommandLine(const std::vector<std::string>& args, GatewayOptions& options,
                      std::string& error, std::vector<std::string>& warnings) {
  bool commandSeen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "missing value for " + arg;
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--help" || arg == "-h") {
      options.command = Command::kHelp;
      return true;
    } else if (arg == "--host") {
      if (!value(options.host)) return false;
    } else if (arg == "--port") {
      if (!value(text)) return false;
      if (!ParsePort(text, options.port)) {
        error = "bad port: " + text;
        return false;
      }
    } else if (arg == "--allow-remote") {
      options.allowRemote = true;
    } else if (arg == "--captcha") {
      if (!value(options.captcha)) return false;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--endpoint") {
      if (!value(text) || !ParseEndpoint(text, options.live.endpoints, error)) return false;
    } else if (!commandSeen && (arg == "add-user" || arg == "remove-user")) {
      commandSeen = true;
      options.command = arg == "add-user" ? Command::kAddUser : Command::kRemoveUser;
      if (!value(options.user)) return false;
    } else if (!commandSeen && arg == "list-users") {
      commandSeen = true;
      options.command = Command::kListUsers;
    } else {
      error = "unknown argument " + arg + " (see --help)";
      return false;
    }
  }
  if (options.command != Command::kServe) return true;
  if (!options.allowRemote && !IsLoopbackHost(options.host)) {
    error = "listening on " + options.host +
            " lets other computers reach the gateway; the console sends its keys there in "
            "plain HTTP. Add --allow-remote if that is really meant.";
    return false;
  }
  if (options.allowRemote && !options.captcha.empty()) {
    error =
        "--captcha is for scripted use on this computer only; it cannot go with "
        "--allow-remote";
    return false;
  }
  if (options.allowRemote && !IsLoopbackHost(options.host)) {
    warnings.push_back("warning: listening on " + options.host +
                       ". The console sends every SecretId and SecretKey to the gateway in "
                       "plain HTTP: anyone on the network path between them can read the "
                       "keys. Keep the gateway on a network you trust (or behind a tunnel).");
  }
  return true;
}

std::string UsageText(const std::string& usersPath) {
  return R"(usage: lxinterface-gateway [options]          serve the console's backend protocol
       lxinterface-gateway add-user NAME            add a user, or set a new password
       lxinterface-gateway remove-user NAME         remove a user (their sessions end)
       lxinterface-gateway list-users               print the user names

The gateway answers the console exactly as the vendor's backend does, and carries each
cloud operation to the provider's public API, signed on this computer with the key pair
the console sends. Keys never leave this computer except inside signed requests.

options:
  --host ADDR          address to listen on (default 127.0.0.1)
  --port N             port (default 60080, where the console looks; 0 = a free port)
  --allow-remote       allow an address other than loopback; the console sends keys in
                       plain HTTP, so only on a network you trust
  --captcha CODE       every captcha picture shows CODE (scripted use; not with
                       --allow-remote)
  --endpoint NAME=URL  send the provider service NAME to URL instead of the provider's
                       own host, for tests against local fakes; repeatable. Names:
                       Tencent cvm, billing; Alibaba ecs, bss; Huawei ecs, ims, iam,
                       bss. A plain ecs or bss names both providers' services;
                       PROVIDER.NAME (aliyun.ecs, huawei.bss) names one alone
  --quiet              no log line per request on standard error
  -h, --help           this text

add-user asks for the password twice on a terminal (nothing is shown), or reads the first
line of standard input when that is not a terminal. It stores a salted scrypt hash of
what the console will send for the password, never the password.

files:
  )" + usersPath +
         R"(
      the users ($XDG_CONFIG_HOME/lxinterface-gateway/users, else
      ~/.config/lxinterface-gateway/users), mode 0600. Without any user the gateway
      does not start.

operations (console path under /api/v1/lxinterface/yunduotai/PROVIDER/ -> provider action):
  path                  qcloud (CVM, billing)   aliyun (ECS, BSS)    huawei (ECS, IMS, BSS)
  instances/            DescribeInstances       DescribeInstances    ListServersDetails
  startinstances/       StartInstances          StartInstances       BatchStartServers
  stopinstances/        StopInstances           StopInstances        BatchStopServers
  terminateinstances/   TerminateInstances      DeleteInstances      DeleteServers
  accountbalance/       DescribeAccountBalance  QueryAccountBalance  ShowCustomerAccountBalances
  zones/                DescribeZones           DescribeAvailable-   (none: code 404)
                                                Resource
  images/,              DescribeImages          DescribeImages       ListImages
    rebuild/images/
  instancetypeconfigs/  DescribeInstance-       DescribeAvailable-   ListFlavors
                        TypeConfigs             Resource
  runinstances/         RunInstances            RunInstances         CreatePostPaidServers
  rebuild/run/          ResetInstance           ReplaceSystemDisk    ChangeServerOsWithCloudInit
Huawei looks up each region's project ID once (IAM KeystoneListProjects). Failures answer
1001 (a bad form field or region), 1002 (keys refused), 1003 (the provider's refusal, with its
code and message), 502 (no answer, or not the API's) or 504 (no answer in time). Reads,
start, stop, release and creation (with one idempotency token) are retried on throttling,
429 and 5xx, at most 4 attempts and 60 s; Tencent's and Huawei's reinstalls never are. The
permissions each key pair needs are listed in the gateway's README.

Logins need the captcha; five wrong passwords within a minute lock the name out for a
minute; sessions end after a day unused. Log lines go to standard error and show
SecretKeys and passwords as "***".
)";
}

}  // namespace ydt::gateway
