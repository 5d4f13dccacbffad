#include "consoles/machines/run_report.h"

#include <algorithm>

#include "consoles/template/access_keys.h"
#include "service/backend/backend_client.h"
#include "service/json/json_doc.h"
#include "service/text/text.h"

namespace ydt {

int RunReport::FailedCount() const {
  return static_cast<int>(std::count_if(outcomes.begin(), outcomes.end(),
                                        [](const RequestOutcome& o) { return o.Failed(); }));
}

std::vector<RequestOutcome> RunReport::Failures() const {
  std::vector<RequestOutcome> failed;
  std::copy_if(outcomes.begin(), outcomes.end(), std::back_inserter(failed),
               [](const RequestOutcome& o) { return o.Failed(); });
  return failed;
}

std::string RunSummaryText(const RunReport& report) {
  return "共 " + std::to_string(report.outcomes.size()) + " 个请求：成功 " +
         std::to_string(report.SucceededCount()) + "，失败 " + std::to_string(report.FailedCount());
}

std::string RunSummaryLine(std::string_view time, const RunReport& report) {
  return "[" + std::string(time) + "] [" + report.title + "] " + RunSummaryText(report) + "\r\n";
}

void LogRunSummary(LogSink& log, const RunReport& report) {
  log.PrependLine(RunSummaryLine(FormatDateTime(std::nullopt, 1, 0), report));
}

RequestOutcome CallOutcome(std::string subject, int code, const std::string& reply) {
  RequestOutcome outcome{std::move(subject), code, {}};
  if (reply.empty()) {
    outcome.msg = kBackendBusyText;
  } else if (code != 0) {
    JsonDoc doc;
    doc.Parse(reply);
    outcome.msg = doc.GetText("msg");
  }
  return outcome;
}

RequestOutcome NotSentForMissingKeys(std::string subject) {
  return {std::move(subject), 1, std::string(kMissingKeysText)};
}

}  // namespace ydt
