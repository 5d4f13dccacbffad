// What became of each request of a run (a batch, an action on chosen machines, a creation,
// a reinstall of many machines): one summary line for the log, and the failed requests for
// the result window and its retry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "service/backend/ports.h"

namespace ydt {

struct RequestOutcome {
  // What the request was for, as the result window lists it and a retry sends it again:
  // the instance-ID list, the machine's ID, or the number of machines to create.
  std::string subject;
  int code = 0;     // the envelope's code; 1 when there was none or nothing was sent
  std::string msg;  // the envelope's msg, or why there was no answer

  bool Failed() const { return code != 0; }
  friend bool operator==(const RequestOutcome&, const RequestOutcome&) = default;
};

struct RunReport {
  std::string title;  // "腾讯云 - 全部启动"
  std::string subjectHeading = "实例ID";
  std::vector<RequestOutcome> outcomes;

  int FailedCount() const;
  int SucceededCount() const { return static_cast<int>(outcomes.size()) - FailedCount(); }
  std::vector<RequestOutcome> Failures() const;
};

// "共 3 个请求：成功 2，失败 1".
std::string RunSummaryText(const RunReport& report);

// "[" + time + "] [" + title + "] " + summary + "\r\n", the shape of every log line.
std::string RunSummaryLine(std::string_view time, const RunReport& report);

// Puts the summary line, stamped now, on top of the log.
void LogRunSummary(LogSink& log, const RunReport& report);

// The outcome of one CallBackend: `code` as it returned, the message from `reply` (the
// reply text, empty when there was no usable envelope).
RequestOutcome CallOutcome(std::string subject, int code, const std::string& reply);

// A request that was never sent because a key box was empty.
RequestOutcome NotSentForMissingKeys(std::string subject);

}  // namespace ydt
