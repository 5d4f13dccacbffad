#include "process_vitals.h"

#include <dirent.h>

#include <fstream>
#include <string>

namespace ydt::test {
namespace {

int CountEntries(const char* folder) {
  DIR* dir = ::opendir(folder);
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  // The directory stream itself holds a descriptor while /proc/self/fd is read.
  return count;
}

long ReadRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

ProcessVitals ProcessVitals::Now() {
  ProcessVitals vitals;
  vitals.rssKb = ReadRssKb();
  vitals.threads = CountEntries("/proc/self/task");
  vitals.fds = CountEntries("/proc/self/fd") - 1;
  return vitals;
}

ProcessVitals SettledVitals(int threads, std::chrono::milliseconds limit,
                            const std::function<void()>& idle) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  ProcessVitals vitals = ProcessVitals::Now();
  while (vitals.threads > threads && std::chrono::steady_clock::now() < deadline) {
    idle();
    vitals = ProcessVitals::Now();
  }
  return vitals;
}

}  // namespace ydt::test
