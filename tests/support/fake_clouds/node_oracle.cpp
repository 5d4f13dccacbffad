#include "node_oracle.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace ydt::test {
namespace {

std::string ModulesDir() {
  return std::string(YDT_ORACLES_DIR) + "/node_modules";
}

// Single-quoted for the shell, so paths and JSON arguments pass unchanged.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

}  // namespace

std::string NodeOracleMissing(const std::string& package) {
  if (std::system("command -v node >/dev/null 2>&1") != 0) return "node is not on PATH";
  if (!std::filesystem::exists(ModulesDir() + "/" + package)) {
    return package + " is not installed in " + ModulesDir() + " (run scripts/setup)";
  }
  return {};
}

NodeRun RunNodeScript(const std::string& script, const std::vector<std::string>& args) {
  std::string command = "NODE_PATH=" + Quoted(ModulesDir()) + " node " + Quoted(script);
  for (const auto& arg : args) command += " " + Quoted(arg);
  NodeRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace ydt::test
