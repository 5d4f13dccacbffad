#include "support/fakes/recording_pauser.h"

namespace ydt {

void RecordingPauser::Pause(std::int64_t milliseconds) {
  std::lock_guard lock(mutex_);
  lengths_.push_back(milliseconds);
}

std::vector<std::int64_t> RecordingPauser::Lengths() const {
  std::lock_guard lock(mutex_);
  return lengths_;
}

}  // namespace ydt
