#include "gateway_process.h"

#include "child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ydt::test {

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

  ChildLaunch launch;
  launch.args = {bin, "--port", "0", "--captcha", kCaptcha};
  launch.args.insert(launch.args.end(), flags.begin(), flags.end());
  launch.env = {"XDG_CONFIG_HOME=" + scratch_};
  launch.stderrPath = scratch_ + "/gateway.log";
  // The start-up lines name the port first and end with "captcha: ..." and the endpoints.
  const StartedChild started =
      StartChild(std::move(launch), std::chrono::seconds(10), [this](const std::string& line) {
        if (line.find("listening on ") != std::string::npos) {
          const std::size_t colon = line.rfind(':');
          if (colon != std::string::npos) port_ = std::atoi(line.c_str() + colon + 1);
        }
        return line.rfind("captcha:", 0) == 0;
      });
  pid_ = started.pid;
  if (!started.ready || port_ <= 0) {
    error_ = pid_ < 0 ? "fork failed" : "the gateway did not report its port: " + LogText();
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
  ChildLaunch launch;
  launch.args = {bin, "add-user", kUser};
  launch.env = {"XDG_CONFIG_HOME=" + scratch_};
  launch.stdinFd = in[0];
  launch.stdoutFd = quiet;
  launch.stderrPath = scratch_ + "/add-user.log";
  const pid_t pid = SpawnChild(launch);
  close(in[0]);
  if (quiet >= 0) close(quiet);
  const std::string line = std::string(kPassword) + "\n";
  const bool written =
      pid > 0 && write(in[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
  close(in[1]);
  const int status = pid > 0 ? WaitChild(pid, std::chrono::seconds(30)) : -1;
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
  const int status = StopChild(pid_);
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
