#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

extern char** environ;

namespace ydt::test {

pid_t SpawnChild(const ChildLaunch& launch) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& own : launch.env) replaced = replaced || own.rfind(name + "=", 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), launch.env.begin(), launch.env.end());
  std::vector<char*> argv, envp;
  for (const auto& a : launch.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  const char* errPath = launch.stderrPath.empty() ? nullptr : launch.stderrPath.c_str();

  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
  if (launch.stdinFd >= 0) dup2(launch.stdinFd, STDIN_FILENO);
  if (launch.stdoutFd >= 0) dup2(launch.stdoutFd, STDOUT_FILENO);
  if (errPath != nullptr) {
    const int err = open(errPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (err >= 0) dup2(err, STDERR_FILENO);
  }
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
}

bool ReadLinesUntil(int fd, std::chrono::milliseconds limit,
                    const std::function<bool(const std::string&)>& onLine) {
  std::string pending;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, 100) <= 0) continue;
    char buffer[1024];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending.append(buffer, static_cast<size_t>(n));
    std::size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      if (onLine(line)) return true;
    }
  }
  return false;
}

StartedChild StartChild(ChildLaunch launch, std::chrono::milliseconds limit,
                        const std::function<bool(const std::string&)>& onLine) {
  StartedChild started;
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return started;
  launch.stdoutFd = out[1];
  started.pid = SpawnChild(launch);
  close(out[1]);
  if (started.pid > 0) started.ready = ReadLinesUntil(out[0], limit, onLine);
  close(out[0]);
  return started;
}

int WaitChild(pid_t pid, std::chrono::milliseconds limit) {
  if (pid <= 0) return -1;
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

int StopChild(pid_t pid, std::chrono::milliseconds grace) {
  if (pid <= 0) return -1;
  kill(pid, SIGTERM);
  return WaitChild(pid, grace);
}

}  // namespace ydt::test
