// EventLoopPauser waits while the calling thread keeps handling its events, so the window
// keeps painting and answering during the pauses of a batch.
#pragma once

#include "service/backend/ports.h"

namespace ydt {

class EventLoopPauser : public Pauser {
 public:
  void Pause(std::int64_t milliseconds) override;
};

}  // namespace ydt
