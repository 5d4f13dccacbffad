// Runs a script of the providers' official Node SDKs (tests/oracles) for an oracle test.
#pragma once

#include <string>
#include <vector>

namespace ydt::test {

// Why an oracle test cannot run here (no node on PATH, or the SDK package `package` not
// installed under tests/oracles/node_modules by scripts/setup), or empty when it can.
std::string NodeOracleMissing(const std::string& package);

struct NodeRun {
  int exitCode = -1;
  std::string output;  // standard output; standard error goes to the test's own
};

// node `script` `args`..., with NODE_PATH at the installed SDKs.
NodeRun RunNodeScript(const std::string& script, const std::vector<std::string>& args);

}  // namespace ydt::test
