#include "platform/process_table.h"

#include <chrono>
#include <thread>

namespace ydt {
namespace {

// Exact name and same owner: a prefix match would also end unrelated programs whose names
// merely begin with ours (yunduotai-helper), and other users' copies are not ours to end.
bool IsInstance(const ProcessEntry& entry, std::string_view ownName, unsigned uid) {
  return entry.exeName == ownName && entry.uid == uid;
}

}  // namespace

int CountInstances(ProcessTable& table, std::string_view ownName) {
  const unsigned uid = table.OwnUid();
  int count = 0;
  for (const ProcessEntry& entry : table.List()) {
    if (IsInstance(entry, ownName, uid)) ++count;
  }
  return count;
}

void EndAllInstances(ProcessTable& table, std::string_view ownName) {
  const int self = table.OwnPid();
  const unsigned uid = table.OwnUid();
  for (const ProcessEntry& entry : table.List()) {
    if (entry.pid == self || !IsInstance(entry, ownName, uid)) continue;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    table.Terminate(entry.pid);
  }
  table.Terminate(self);
}

}  // namespace ydt
