// ProcessTable over Linux's /proc.
#pragma once

#include <future>

#include "platform/process_table.h"

namespace ydt {

class LinuxProcessTable : public ProcessTable {
 public:
  // Starts reading the list on a thread of its own; the next List() returns that reading.
  // The start routine's single-instance test needs the list while Qt is still starting up.
  void StartEarlyList();

  std::vector<ProcessEntry> List() override;
  bool Terminate(int pid) override;
  int OwnPid() override;
  unsigned OwnUid() override;

  // The file name of the running executable (e.g. "yunduotai").
  static std::string OwnExecutableName();

 private:
  std::future<std::vector<ProcessEntry>> early_;
};

}  // namespace ydt
