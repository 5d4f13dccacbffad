#include "ui/qt_prompter.h"

#include <QMessageBox>
#include <QThread>
#include <QWidget>

#include "ui/task_runner.h"

namespace ydt {

WindowRef WindowRefOf(const QWidget* widget) {
  return WindowRef{widget};
}

QWidget* WidgetOf(WindowRef ref) {
  return const_cast<QWidget*>(static_cast<const QWidget*>(ref.id));
}

QtPrompter::QtPrompter(QObject* parent) : QObject(parent), self_(this) {}

MessageAnswer QtPrompter::Show(WindowRef owner, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) {
  if (QThread::currentThread() == thread()) return ShowHere(owner, text, icon, buttons);
  // The worker waits on a standard mutex and condition rather than inside Qt, so the
  // answer's hand-over is visible to the thread checker. If the box can never be shown
  // (the prompter or the application is gone), the posted work is dropped unrun and its
  // reply, destroyed unanswered, still wakes the worker with Cancel.
  auto wait = std::make_shared<AnswerWait>();
  auto reply = std::make_shared<AnswerReply>(wait);
  PostToUi(self_, [this, reply, owner, text, icon, buttons] {
    reply->Give(ShowHere(owner, text, icon, buttons));
  });
  reply.reset();
  std::unique_lock lock(wait->mutex);
  wait->given.wait(lock, [&] { return wait->done; });
  return wait->answer;
}

QtPrompter::AnswerReply::~AnswerReply() {
  Give(MessageAnswer::Cancel);
}

void QtPrompter::AnswerReply::Give(MessageAnswer answer) {
  {
    std::lock_guard lock(wait_->mutex);
    if (wait_->done) return;
    wait_->answer = answer;
    wait_->done = true;
  }
  wait_->given.notify_all();
}

MessageAnswer QtPrompter::ShowHere(WindowRef owner, const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
  QMessageBox box(WidgetOf(owner));
  box.setWindowTitle(QString::fromUtf8(kTitle));
  // Boxes carry the backend's msg and what the operator typed: shown as written, never as
  // markup (an image tag would have Qt load a local file).
  box.setTextFormat(Qt::PlainText);
  // The system's texts break lines the Windows way; a bare "\r" would show as a glyph.
  box.setText(QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
  switch (icon) {
    case MessageIcon::None:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MessageIcon::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageIcon::Warning:
      box.setIcon(QMessageBox::Warning);
      break;
    case MessageIcon::Error:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageIcon::Question:
      box.setIcon(QMessageBox::Question);
      break;
  }
  // Standard buttons take their texts from the loaded qtbase translation (确定, 取消).
  if (buttons == MessageButtons::OkCancel) {
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace ydt
