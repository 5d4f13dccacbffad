#include "ui/log_pane.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QThread>

namespace ydt {

LogPane::LogPane(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("编辑框_腾讯云_日志输出"));
  setReadOnly(true);
  // The log only grows; an undo history of it would grow alongside for nothing.
  setUndoRedoEnabled(false);
  setPlainText(QString::fromUtf8(kInitialText));
}

void LogPane::PrependLine(const std::string& line) {
  bool post = false;
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(line);
    post = !flushPosted_;
    flushPosted_ = true;
  }
  if (QThread::currentThread() == thread()) {
    Flush();
  } else if (post) {
    // By name, so that Qt alone builds and frees the queued call; the lines themselves
    // cross under mutex_.
    QMetaObject::invokeMethod(this, "Flush", Qt::QueuedConnection);
  }
}

void LogPane::Flush() {
  std::vector<std::string> lines;
  {
    std::lock_guard lock(mutex_);
    lines.swap(pending_);
    flushPosted_ = false;
  }
  if (lines.empty()) return;
  // One insertion at the start of the document, newest line first: the cost does not
  // grow with the length of the log, unlike rewriting the whole text per line.
  QString block;
  for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
    QString text = QString::fromStdString(*it);
    if (text.endsWith(QLatin1String("\r\n"))) text.chop(2);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    block += text;
    block += QLatin1Char('\n');
  }
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::Start);
  cursor.insertText(block);
}

}  // namespace ydt
