// RunResultWindow ("执行结果"): the failed requests of a run with their code and message, and
// "重试失败项", which sends only those again and shows how the retry went.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "consoles/machines/run_report.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ydt {

class RunResultWindow : public QDialog {
  Q_OBJECT

 public:
  // Sends the given failed requests again and returns that run's report, or nothing when it
  // could not start now (a batch of the provider is running).
  using Retry = std::function<std::optional<RunReport>(const std::vector<RequestOutcome>& failed)>;

  RunResultWindow(RunReport report, Retry retry, QWidget* parent = nullptr);

  const RunReport& Report() const { return report_; }
  void RetryFailed();

 signals:
  void Retried();

 private:
  void ShowReport();

  RunReport report_;
  Retry retry_;
  bool retrying_ = false;
  QLabel* summary_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPushButton* retryButton_ = nullptr;
};

// Opens the window, not modal and gone once closed, when the report has a failure; null
// otherwise. `parent` should be the window the operator is working in (a modal dialog
// included), so the result is not blocked behind it.
RunResultWindow* ShowRunResult(const RunReport& report, RunResultWindow::Retry retry,
                               QWidget* parent);

}  // namespace ydt
