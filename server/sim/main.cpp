// lxinterface-sim: a stand-in for the vendor's backend and web host, for demos and tests.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "front/signal_wait.h"
#include "front/text_codec.h"
#include "seed_data.h"
#include "sim_server.h"

namespace {

using ydt::sim::FaultPlan;
using ydt::sim::FaultRule;

constexpr const char* kUsage = R"(usage: lxinterface-sim [options]
  --host ADDR            address to listen on (default 127.0.0.1)
  --port N               backend port (default 60080; 0 = a free port, printed)
  --web-port N           https web host port (default 60443; 0 = a free port; -1 = none)
  --seed FILE            start from this JSON seed instead of the built-in demo set
  --print-demo-seed      print the built-in demo set as seed JSON and exit
  --captcha CODE         every captcha picture shows CODE, and it is always accepted
  --transition-ms N      time machines spend in transitional states (default 3000)
  --timer-hour-ms N      length of one hour of timed destruction (default 3600000)
  --release-file FILE    the update notice holds the MD5 of FILE
  --update-digest TEXT   the update notice holds TEXT
  --quiet                no log line per request
faults (each may be repeated; OP limits it to one operation, e.g. instances or qcloud/instances):
  --latency-ms N[@OP]    delay every answer by N ms
  --failure-rate R[@OP]  answer a fraction R (0..1) of requests with code 500
  --force-code OP:CODE:MSG   always answer OP with CODE and MSG
  --fault KIND[@OP]      KIND: gbk truncate nonjson http500 drop huge trickle
  --fault-json JSON      any fault as the control endpoint takes it
)";

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  out = buffer.str();
  return true;
}

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "lxinterface-sim: %s\n", message.c_str());
  std::exit(2);
}

FaultRule RuleFrom(const nlohmann::json& ruleJson) {
  FaultRule rule;
  std::string error;
  if (!FaultPlan::ParseRule(ruleJson, rule, error)) Fail(error);
  return rule;
}

// "VALUE@OP" → value and op.
std::pair<std::string, std::string> SplitAt(const std::string& text) {
  size_t at = text.find('@');
  if (at == std::string::npos) return {text, ""};
  return {text.substr(0, at), text.substr(at + 1)};
}

int ToInt(const std::string& text, const char* flag) {
  long long value = 0;
  if (!ydt::front::ParseInt(text, value) || value < -1 || value > 1LL << 31) {
    Fail(std::string("bad number for ") + flag + ": " + text);
  }
  return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
  ydt::sim::ServerOptions options;
  std::string seedFile;
  std::string releaseFile;
  std::string digest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> std::string {
      if (i + 1 >= argc) Fail("missing value for " + arg);
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--print-demo-seed") {
      std::cout << ydt::sim::DemoSeedJson() << "\n";
      return 0;
    } else if (arg == "--host") {
      options.host = next();
    } else if (arg == "--port") {
      options.port = ToInt(next(), "--port");
    } else if (arg == "--web-port") {
      options.webPort = ToInt(next(), "--web-port");
    } else if (arg == "--seed") {
      seedFile = next();
    } else if (arg == "--captcha") {
      options.captcha = next();
    } else if (arg == "--transition-ms") {
      options.world.transitionMs = ToInt(next(), "--transition-ms");
    } else if (arg == "--timer-hour-ms") {
      options.world.hourMs = ToInt(next(), "--timer-hour-ms");
    } else if (arg == "--release-file") {
      releaseFile = next();
    } else if (arg == "--update-digest") {
      digest = next();
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--latency-ms") {
      auto [value, op] = SplitAt(next());
      options.faults.push_back(
          RuleFrom({{"kind", "latency"}, {"ms", ToInt(value, "--latency-ms")}, {"op", op}}));
    } else if (arg == "--failure-rate") {
      auto [value, op] = SplitAt(next());
      double rate = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), rate);
      if (error != std::errc() || end != value.data() + value.size()) Fail("bad rate: " + value);
      options.faults.push_back(RuleFrom({{"kind", "fail"}, {"rate", rate}, {"op", op}}));
    } else if (arg == "--force-code") {
      const std::string ruleText = next();
      size_t c1 = ruleText.find(':');
      size_t c2 = c1 == std::string::npos ? c1 : ruleText.find(':', c1 + 1);
      if (c2 == std::string::npos) Fail("--force-code wants OP:CODE:MSG");
      options.faults.push_back(
          RuleFrom({{"kind", "fail"},
                    {"op", ruleText.substr(0, c1)},
                    {"code", ToInt(ruleText.substr(c1 + 1, c2 - c1 - 1), "--force-code")},
                    {"msg", ruleText.substr(c2 + 1)}}));
    } else if (arg == "--fault") {
      auto [kind, op] = SplitAt(next());
      options.faults.push_back(RuleFrom({{"kind", kind}, {"op", op}}));
    } else if (arg == "--fault-json") {
      auto ruleText = nlohmann::json::parse(next(), nullptr, false);
      if (ruleText.is_discarded()) Fail("--fault-json is not JSON");
      options.faults.push_back(RuleFrom(ruleText));
    } else {
      Fail("unknown option " + arg + " (see --help)");
    }
  }

  ydt::sim::SeedData seed;
  std::string seedText = ydt::sim::DemoSeedJson();
  if (!seedFile.empty() && !ReadFile(seedFile, seedText)) Fail("cannot read seed file " + seedFile);
  std::string error;
  if (!ydt::sim::ParseSeed(seedText, seed, error)) Fail(error);

  if (!releaseFile.empty()) {
    std::string bytes;
    if (!ReadFile(releaseFile, bytes)) Fail("cannot read release file " + releaseFile);
    options.updateNotice = ydt::front::Md5Hex(bytes);
  } else if (!digest.empty()) {
    options.updateNotice = digest;
  } else {
    options.updateNotice = ydt::front::Md5Hex("yunduotai 3.5 stand-in release");
  }

  ydt::front::BlockStopSignals();

  const ydt::sim::SeedData printed = seed;
  ydt::sim::SimServer server(options, std::move(seed));
  if (!server.Bind(error)) Fail(error);

  std::printf("lxinterface-sim listening on %s:%d\n", options.host.c_str(), server.Port());
  if (server.WebPort() > 0)
    std::printf("lxinterface-sim web host on %s:%d\n", options.host.c_str(), server.WebPort());
  std::printf("base address: http://%s:%d%s\n", options.host.c_str(), server.Port(),
              ydt::sim::kBasePath);
  for (const auto& user : printed.users) {
    std::printf("login: %s / %s\n", user.username.c_str(), user.password.c_str());
  }
  std::printf("captcha: %s\n",
              options.captcha.empty() ? "(as shown in the picture)" : options.captcha.c_str());
  for (const auto& account : printed.accounts) {
    std::string regions;
    for (const auto& [region, count] : account.generated)
      regions += " " + region + "=" + std::to_string(count);
    int explicitCount = static_cast<int>(account.machines.size());
    std::printf("key pair %-6s %s / %s  machines:%s%s\n",
                std::string(ydt::sim::SegmentOf(account.provider)).c_str(),
                account.secretId.c_str(), account.secretKey.c_str(), regions.c_str(),
                explicitCount ? (" +" + std::to_string(explicitCount) + " listed").c_str() : "");
  }
  std::printf("update notice: %s\n", options.updateNotice.c_str());
  std::fflush(stdout);

  ydt::front::RunUntilStopSignal([&server] { server.Run(); }, [&server] { server.Stop(); },
                                 [&server] { return server.Finished(); });
  return 0;
}
