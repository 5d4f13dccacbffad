#include "support/fakes/recording_log_sink.h"

namespace ydt {

void RecordingLogSink::PrependLine(const std::string& line) {
  std::lock_guard lock(mutex_);
  lines_.insert(lines_.begin(), line);
}

std::vector<std::string> RecordingLogSink::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::string RecordingLogSink::Text() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const std::string& line : lines_) text += line;
  return text;
}

void RecordingLogSink::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

}  // namespace ydt
