#include "consoles/machines/ui/stop_aware_sleep.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ydt {

void StopAwareSleep::Pause(std::int64_t milliseconds) {
  std::mutex mutex;
  std::condition_variable_any wake;
  std::unique_lock lock(mutex);
  wake.wait_for(lock, stop_, std::chrono::milliseconds(milliseconds), [] { return false; });
}

}  // namespace ydt
