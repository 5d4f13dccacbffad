// StopAwareSleep: the wait of a list load on its worker thread. A newer load of the same
// grid cuts it short, so a replaced load does not hold the next one up.
#pragma once

#include <stop_token>

#include "service/backend/ports.h"

namespace ydt {

class StopAwareSleep : public Pauser {
 public:
  explicit StopAwareSleep(std::stop_token stop) : stop_(std::move(stop)) {}
  void Pause(std::int64_t milliseconds) override;

 private:
  std::stop_token stop_;
};

}  // namespace ydt
