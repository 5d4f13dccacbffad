// The operating system's process list behind one small interface, so that ending the
// program's other copies can be tested without ending real processes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ydt {

struct ProcessEntry {
  int pid = 0;
  std::string exeName;  // executable file name without folder
  unsigned uid = 0;     // owning user
};

class ProcessTable {
 public:
  virtual ~ProcessTable() = default;
  virtual std::vector<ProcessEntry> List() = 0;
  // Ends the process at once with exit code 0 where the system allows it; ending the
  // calling process does not return. False when the process could not be ended.
  virtual bool Terminate(int pid) = 0;
  virtual int OwnPid() = 0;
  virtual unsigned OwnUid() = 0;
};

// Ends every process of the same user whose executable name is exactly ownName, the
// calling process last. Processes that cannot be ended are skipped.
void EndAllInstances(ProcessTable& table, std::string_view ownName);

// How many processes of the same user run an executable named exactly ownName.
int CountInstances(ProcessTable& table, std::string_view ownName);

}  // namespace ydt
