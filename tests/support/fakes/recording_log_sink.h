// A LogSink that keeps every line, newest first, for tests to read back. Thread-safe.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

class RecordingLogSink : public LogSink {
 public:
  void PrependLine(const std::string& line) override;
  // Newest first, as the log pane shows them.
  std::vector<std::string> Lines() const;
  // The pane's whole text: every line, newest first.
  std::string Text() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace ydt
