// Runs a Node script of this folder with the providers' official SDKs (tests/oracles), for
// the tests that check the gateway against them.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace ydt::live::aliyun {

// Why the SDK scripts cannot run here, or the empty text when they can.
inline std::string OraclesMissing() {
  if (std::system("command -v node >/dev/null 2>&1") != 0) return "node is not installed";
  if (!std::filesystem::exists(std::filesystem::path(YDT_ORACLES_DIR) / "node_modules" /
                               "@alicloud" / "ecs20140526")) {
    return "tests/oracles/node_modules is missing (scripts/setup installs it)";
  }
  return {};
}

struct NodeRun {
  int exitCode = -1;
  std::string out;  // standard output, then standard error
};

// `node <script> <args>` in the oracles folder; the arguments must not hold a quote.
inline NodeRun RunNodeScript(const std::string& script, const std::vector<std::string>& args) {
  std::string command = "cd '" YDT_ORACLES_DIR "' && NODE_PATH='" YDT_ORACLES_DIR
                        "/node_modules' node '" YDT_ALIYUN_TEST_DIR "/" +
                        script + "'";
  for (const auto& arg : args) command += " '" + arg + "'";
  command += " 2>&1";
  NodeRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace ydt::live::aliyun
