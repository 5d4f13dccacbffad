#include "service/backend/deferred_log.h"

namespace ydt {

void DeferredLog::PrependLine(const std::string& line) {
  LogSink* target = target_.load(std::memory_order_acquire);
  if (!target) {
    std::lock_guard lock(mutex_);
    // Checked again under the lock: Attach may have handed over the kept lines since.
    target = target_.load(std::memory_order_relaxed);
    if (!target) {
      kept_.push_back(line);
      return;
    }
  }
  target->PrependLine(line);
}

void DeferredLog::Attach(LogSink& target) {
  std::lock_guard lock(mutex_);
  if (target_.load(std::memory_order_relaxed)) return;
  // Handed over under the lock, before any writer can see the target, so no later line
  // overtakes a kept one.
  for (const std::string& line : kept_) target.PrependLine(line);
  kept_.clear();
  kept_.shrink_to_fit();
  target_.store(&target, std::memory_order_release);
}

}  // namespace ydt
