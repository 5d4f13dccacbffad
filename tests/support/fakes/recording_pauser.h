// A Pauser that records each requested length and returns at once. Thread-safe.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

class RecordingPauser : public Pauser {
 public:
  void Pause(std::int64_t milliseconds) override;
  std::vector<std::int64_t> Lengths() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::int64_t> lengths_;
};

}  // namespace ydt
