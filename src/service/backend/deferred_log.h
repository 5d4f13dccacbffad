// A log for the time before the log pane exists. The pane is a costly widget that the
// operator sees only in the main window, so it is built after the login; what the backend
// writes meanwhile (the captcha and announcement requests, the login) waits here.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

class DeferredLog : public LogSink {
 public:
  // Thread-safe. Kept in arrival order until a target is attached, then passed straight on.
  void PrependLine(const std::string& line) override;

  // Hands the kept lines to target, oldest first, and every later line as it comes. Only the
  // first target counts. The target must outlive every writer of this log.
  void Attach(LogSink& target);

 private:
  std::mutex mutex_;
  std::atomic<LogSink*> target_{nullptr};
  std::vector<std::string> kept_;  // oldest first
};

}  // namespace ydt
