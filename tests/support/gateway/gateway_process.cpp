#include "gateway_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace ydt::test {
namespace {

// Forks `args` with XDG_CONFIG_HOME at `config`, standard input from `in` and standard
// error to `errPath` (when given). Returns the child's pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::string& config, int in, int out,
            const std::string& errPath) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  // The gateway must not outlive a test process that crashes.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  if (in >= 0) dup2(in, STDIN_FILENO);
  if (out >= 0) dup2(out, STDOUT_FILENO);
  if (!errPath.empty()) {
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (err >= 0) dup2(err, STDERR_FILENO);
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

int WaitFor(pid_t pid, std::chrono::seconds limit) {
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return status;
}

}  // namespace

GatewayProcess::GatewayProcess(std::vector<std::string> flags) {
  const char* bin = std::getenv("LXGATEWAY_BIN");
  if (!bin || !*bin) bin = YDT_LXGATEWAY_BUILT_BIN;
  if (access(bin, X_OK) != 0) {
    error_ = std::string("cannot run the gateway at ") + bin;
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "ydt-gateway-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    error_ = "no scratch folder";
    return;
  }
  scratch_ = pattern;
  if (!AddUser(bin)) return;

  std::vector<std::string> args = {bin, "--port", "0", "--captcha", kCaptcha};
  args.insert(args.end(), flags.begin(), flags.end());
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return;
  }
  pid_ = Spawn(args, scratch_, -1, out[1], scratch_ + "/gateway.log");
  close(out[1]);
  if (pid_ < 0) {
    error_ = "fork failed";
    close(out[0]);
    return;
  }

  // The start-up lines end with "captcha: ..." and the endpoints; the port comes first.
  std::string pending;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool done = false;
  while (!done && std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{out[0], POLLIN, 0};
    if (poll(&pfd, 1, 100) <= 0) continue;
    char buffer[1024];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    std::size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      const std::string marker = "listening on ";
      if (line.find(marker) != std::string::npos) {
        const std::size_t colon = line.rfind(':');
        if (colon != std::string::npos) port_ = std::atoi(line.c_str() + colon + 1);
      }
      if (line.rfind("captcha:", 0) == 0) done = true;
    }
  }
  close(out[0]);
  if (!done || port_ <= 0) {
    error_ = "the gateway did not report its port: " + LogText();
    port_ = 0;
    Stop();
  }
}

bool GatewayProcess::AddUser(const std::string& bin) {
  int in[2];
  if (pipe2(in, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const pid_t pid =
      Spawn({bin, "add-user", kUser}, scratch_, in[0], quiet, scratch_ + "/add-user.log");
  if (quiet >= 0) close(quiet);
  close(in[0]);
  const std::string line = std::string(kPassword) + "\n";
  const bool written =
      pid > 0 && write(in[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(in[1]);
  const int status = pid > 0 ? WaitFor(pid, std::chrono::seconds(30)) : -1;
  if (!written || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::ifstream log(scratch_ + "/add-user.log");
    std::stringstream text;
    text << log.rdbuf();
    error_ = "add-user failed: " + text.str();
    return false;
  }
  return true;
}

GatewayProcess::~GatewayProcess() {
  Stop();
  if (!scratch_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }
}

int GatewayProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  const int status = WaitFor(pid_, std::chrono::seconds(5));
  pid_ = -1;
  return status;
}

std::string GatewayProcess::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/api/v1/lxinterface";
}

double GatewayProcess::CpuMs() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The fields after the command name, which may itself hold blanks and parentheses.
  const std::size_t close = text.rfind(')');
  if (pid_ <= 0 || close == std::string::npos) return 0;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int n = 3; fields >> field && n <= 15; ++n) {
    if (n == 14 || n == 15) ticks += std::atof(field.c_str());  // utime, stime
  }
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string GatewayProcess::LogText() const {
  std::ifstream log(scratch_ + "/gateway.log");
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}

}  // namespace ydt::test
