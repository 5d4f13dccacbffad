// What the tests' child processes (the stand-in, the gateway) share: starting one that dies
// with the test, reading its start-up lines, and stopping it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ydt::test {

struct ChildLaunch {
  std::vector<std::string> args;  // args[0] is the program's path
  std::vector<std::string> env;   // "NAME=value" set on top of this process's environment
  int stdinFd = -1;               // descriptors to put in place; -1 leaves them as they are
  int stdoutFd = -1;
  std::string stderrPath;  // standard error appended to this file when given
};

// Starts the child; it is sent SIGTERM should the test process die first. Everything is
// prepared before the fork, so the child only calls what is safe in a threaded parent.
// Returns its pid, or -1.
pid_t SpawnChild(const ChildLaunch& launch);

// Hands each line read from `fd` to `onLine` until it returns true or `limit` passes; true
// when a line ended the reading.
bool ReadLinesUntil(int fd, std::chrono::milliseconds limit,
                    const std::function<bool(const std::string&)>& onLine);

// Waits for the child to end, killing it when it has not within `limit`. Returns the wait
// status.
int WaitChild(pid_t pid, std::chrono::milliseconds limit);

// Starts the child with its standard output on a pipe and reads its start-up lines as
// ReadLinesUntil does. `pid` is -1 when it could not start; `ready` says whether a line
// ended the reading in time.
struct StartedChild {
  pid_t pid = -1;
  bool ready = false;
};
StartedChild StartChild(ChildLaunch launch, std::chrono::milliseconds limit,
                        const std::function<bool(const std::string&)>& onLine);

// SIGTERM, then SIGKILL when the child has not ended within `grace`. Returns the wait status.
int StopChild(pid_t pid, std::chrono::milliseconds grace = std::chrono::seconds(5));

}  // namespace ydt::test
