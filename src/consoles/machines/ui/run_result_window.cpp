#include "consoles/machines/ui/run_result_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ydt {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

RunResultWindow::RunResultWindow(RunReport report, Retry retry, QWidget* parent)
    : QDialog(parent), report_(std::move(report)), retry_(std::move(retry)) {
  setObjectName(QStringLiteral("执行结果"));
  setWindowTitle(QStringLiteral("执行结果"));
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("标签_执行结果"));
  // Messages come from the backend: shown as they are, never as markup.
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName(QStringLiteral("列表框_失败请求"));
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  // A failed list holds up to a hundred IDs: its column is cut, not the code and message.
  table_->setTextElideMode(Qt::ElideRight);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionResizeMode(0, QHeaderView::Interactive);
  header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  header->setStretchLastSection(true);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  table_->setColumnWidth(0, 360);
  table_->setAccessibleName(QStringLiteral("失败的请求"));
  retryButton_ = new QPushButton(QStringLiteral("重试失败项"), this);
  retryButton_->setObjectName(QStringLiteral("按钮_重试失败项"));
  auto* close = new QPushButton(QStringLiteral("关闭"), this);
  close->setObjectName(QStringLiteral("按钮_关闭"));
  connect(retryButton_, &QPushButton::clicked, this, &RunResultWindow::RetryFailed);
  connect(close, &QPushButton::clicked, this, &QDialog::close);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(retryButton_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  resize(720, 360);
  ShowReport();
}

void RunResultWindow::ShowReport() {
  const std::vector<RequestOutcome> failed = report_.Failures();
  QString summary = Q(report_.title) + QStringLiteral("：") + Q(RunSummaryText(report_));
  if (failed.empty()) summary += QStringLiteral("，全部成功");
  summary_->setText(summary);
  table_->setHorizontalHeaderLabels(
      {Q(report_.subjectHeading), QStringLiteral("代码"), QStringLiteral("信息")});
  table_->setRowCount(static_cast<int>(failed.size()));
  for (int row = 0; row < static_cast<int>(failed.size()); ++row) {
    const RequestOutcome& outcome = failed[static_cast<std::size_t>(row)];
    table_->setItem(row, 0, new QTableWidgetItem(Q(outcome.subject)));
    table_->setItem(row, 1, new QTableWidgetItem(QString::number(outcome.code)));
    table_->setItem(row, 2, new QTableWidgetItem(Q(outcome.msg)));
  }
  retryButton_->setEnabled(!failed.empty() && retry_ && !retrying_);
}

void RunResultWindow::RetryFailed() {
  const std::vector<RequestOutcome> failed = report_.Failures();
  if (failed.empty() || !retry_ || retrying_) return;
  retrying_ = true;
  retryButton_->setEnabled(false);
  // The retry pauses between its requests with the window working: this window may be
  // closed, and so deleted, before it returns.
  const QPointer<RunResultWindow> self(this);
  const Retry retry = retry_;
  const std::optional<RunReport> again = retry(failed);
  if (!self) return;
  retrying_ = false;
  if (again) report_ = *again;
  ShowReport();
  emit Retried();
}

RunResultWindow* ShowRunResult(const RunReport& report, RunResultWindow::Retry retry,
                               QWidget* parent) {
  if (report.FailedCount() == 0) return nullptr;
  auto* window = new RunResultWindow(report, std::move(retry), parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowFlag(Qt::Window);
  window->show();
  return window;
}

}  // namespace ydt
