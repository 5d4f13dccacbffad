// Runs the provider's official Node SDK (tests/oracles) from a test, or says why it cannot.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace ydt::test {

struct NodeRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Empty when node and the pinned SDKs are there; otherwise the reason to skip.
inline std::string NodeOracleMissing() {
  if (std::system("node --version > /dev/null 2>&1") != 0) return "node is not installed";
  if (!std::filesystem::exists(std::string(YDT_ORACLES_DIR) +
                               "/node_modules/@huaweicloud/huaweicloud-sdk-core"))
    return "tests/oracles/node_modules is missing (scripts/setup installs it)";
  return {};
}

// `script` is a file beside this test; arguments are passed quoted as they are.
inline NodeRun RunNodeScript(const std::string& script, const std::string& arguments) {
  const std::string command = "NODE_PATH='" + std::string(YDT_ORACLES_DIR) +
                              "/node_modules' node '" + std::string(YDT_HUAWEI_TEST_DIR) + "/" +
                              script + "' " + arguments + " 2>&1";
  NodeRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    run.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace ydt::test
