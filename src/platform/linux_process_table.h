// ProcessTable over Linux's /proc.
#pragma once

#include "platform/process_table.h"

namespace ydt {

class LinuxProcessTable : public ProcessTable {
 public:
  std::vector<ProcessEntry> List() override;
  bool Terminate(int pid) override;
  int OwnPid() override;
  unsigned OwnUid() override;

  // The file name of the running executable (e.g. "yunduotai").
  static std::string OwnExecutableName();
};

}  // namespace ydt
