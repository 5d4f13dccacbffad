#include "platform/linux_process_table.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace ydt {
namespace {

std::string BaseName(std::string path) {
  constexpr std::string_view kDeleted = " (deleted)";
  if (path.ends_with(kDeleted)) path.resize(path.size() - kDeleted.size());
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExeNameOf(const std::string& procDir) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(procDir + "/exe", error);
  if (!error) return BaseName(target.string());
  // Without the right to read exe (another user's process) fall back to the short name.
  std::ifstream comm(procDir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

std::vector<ProcessEntry> ReadProcessList() {
  std::vector<ProcessEntry> entries;
  std::error_code error;
  for (const auto& item : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = item.path().filename().string();
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat info {};
    if (::stat(item.path().c_str(), &info) != 0) continue;  // ended meanwhile
    ProcessEntry entry;
    entry.pid = std::atoi(name.c_str());
    entry.uid = info.st_uid;
    entry.exeName = ExeNameOf(item.path().string());
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

void LinuxProcessTable::StartEarlyList() {
  if (!early_.valid()) early_ = std::async(std::launch::async, ReadProcessList);
}

std::vector<ProcessEntry> LinuxProcessTable::List() {
  if (early_.valid()) return early_.get();
  return ReadProcessList();
}

bool LinuxProcessTable::Terminate(int pid) {
  if (pid == ::getpid()) {
    std::fflush(nullptr);
    ::_exit(0);
  }
  return ::kill(pid, SIGKILL) == 0;
}

int LinuxProcessTable::OwnPid() {
  return ::getpid();
}

unsigned LinuxProcessTable::OwnUid() {
  return ::getuid();
}

std::string LinuxProcessTable::OwnExecutableName() {
  std::error_code error;
  const auto target = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : BaseName(target.string());
}

}  // namespace ydt
