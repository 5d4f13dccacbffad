// The gateway's command line: where it may listen, and the program's refusals and add-user
// as an operator meets them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "accounts.h"
#include "gateway_fixture.h"
#include "gateway_options.h"

namespace ydt::test {
namespace {

using gateway::GatewayOptions;

TEST(GatewayCommandLine, OnlyLoopbackWithoutAllowRemoteAndNoFixedCaptchaWithIt) {
  const struct {
    std::vector<std::string> args;
    bool accepted;
    bool warned;
  } cases[] = {
      {{}, true, false},
      {{"--host", "127.0.0.2", "--port", "0"}, true, false},
      {{"--host", "::1"}, true, false},
      {{"--host", "0.0.0.0"}, false, false},
      {{"--host", "192.168.1.5"}, false, false},
      {{"--host", "0.0.0.0", "--allow-remote"}, true, true},
      {{"--captcha", "8888"}, true, false},
      {{"--captcha", "8888", "--allow-remote"}, false, false},
      {{"--host", "0.0.0.0", "--allow-remote", "--captcha", "8888"}, false, false},
      {{"--port", "65536"}, false, false},
      {{"--endpoint", "cvm=http://127.0.0.1:9"}, true, false},
      {{"--endpoint", "cvm"}, false, false},
      {{"--endpoint", "cvm=ftp://x"}, false, false},
      {{"add-user"}, false, false},
      {{"serve"}, false, false},
  };
  for (const auto& c : cases) {
    GatewayOptions options;
    std::string error;
    std::vector<std::string> warnings;
    std::string line;
    for (const auto& a : c.args) line += a + " ";
    EXPECT_EQ(gateway::ParseCommandLine(c.args, options, error, warnings), c.accepted) << line;
    EXPECT_EQ(error.empty(), c.accepted) << line << error;
    EXPECT_EQ(!warnings.empty(), c.warned) << line;
    if (c.warned) {
      EXPECT_NE(warnings[0].find("plain HTTP"), std::string::npos);
    }
  }
  GatewayOptions options;
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(gateway::ParseCommandLine(
      {"--endpoint", "cvm=http://127.0.0.1:9", "--endpoint", "billing=https://b"}, options, error,
      warnings));
  EXPECT_EQ(options.live.endpoints.byService.at("cvm"), "http://127.0.0.1:9");
  EXPECT_EQ(options.live.endpoints.byService.at("billing"), "https://b");
  EXPECT_EQ(options.host, "127.0.0.1");
  EXPECT_EQ(options.port, 60080);
}

struct ProgramRun {
  int status = -1;
  std::string output;
};

ProgramRun Gateway(const ScratchFolder& home, const std::string& args,
                   const std::string& input = "") {
  const std::string command = (input.empty() ? "" : "printf '%s' '" + input + "' | ") +
                              "env XDG_CONFIG_HOME='" + home.Path().string() + "' " +
                              YDT_GATEWAY_BIN + " " + args + " 2>&1" +
                              (input.empty() ? " </dev/null" : "");
  ProgramRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

TEST(GatewayCommandLine, RefusesToStartWithoutUsersAndAddsOneFromAPipe) {
  ScratchFolder home;
  const ProgramRun empty = Gateway(home, "--port 0");
  EXPECT_NE(empty.status, 0);
  EXPECT_NE(empty.output.find("add-user NAME"), std::string::npos) << empty.output;

  const ProgramRun added = Gateway(home, "add-user 张三", " 密码abc \n");
  ASSERT_EQ(added.status, 0) << added.output;
  const ProgramRun list = Gateway(home, "list-users");
  EXPECT_EQ(list.output, "张三\n");
  struct stat st {};
  ASSERT_EQ(::stat(home.UsersPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  gateway::Accounts accounts{gateway::UsersFile(home.UsersPath())};
  EXPECT_EQ(accounts.Check("张三", ConsoleDigestOf("密码abc")), gateway::LoginOutcome::kAccepted);

  const ProgramRun noPassword = Gateway(home, "add-user demo");
  EXPECT_NE(noPassword.status, 0);
  EXPECT_EQ(Gateway(home, "list-users").output, "张三\n");
}

}  // namespace
}  // namespace ydt::test
