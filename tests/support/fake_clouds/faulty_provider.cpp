#include "faulty_provider.h"

#include <thread>

namespace ydt::test {

void FaultyProvider::DelayNext(Match match, std::chrono::milliseconds delay, int times) {
  std::lock_guard lock(mutex_);
  faults_.push_back({std::move(match), times, delay, 0});
}

void FaultyProvider::LoseNextAnswer(Match match, int status) {
  std::lock_guard lock(mutex_);
  faults_.push_back({std::move(match), 1, std::chrono::milliseconds(0), status});
}

live::ProviderResponse FaultyProvider::Handle(const live::ProviderRequest& request) {
  Remember(request);
  Fault fault;
  {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
      if (!it->match(request)) continue;
      fault = *it;
      if (--it->times == 0) faults_.erase(it);
      break;
    }
  }
  if (fault.delay.count() > 0) std::this_thread::sleep_for(fault.delay);
  live::ProviderResponse response = inner_.Handle(request);
  if (fault.lostStatus == 0) return response;
  return {fault.lostStatus, {}, "", "", false};
}

}  // namespace ydt::test
