#include "ui/qt_prompter.h"

#include <QMessageBox>
#include <QThread>
#include <QWidget>

namespace ydt {

WindowRef WindowRefOf(const QWidget* widget) {
  return WindowRef{widget};
}

QWidget* WidgetOf(WindowRef ref) {
  return const_cast<QWidget*>(static_cast<const QWidget*>(ref.id));
}

QtPrompter::QtPrompter(QObject* parent) : QObject(parent) {}

MessageAnswer QtPrompter::Show(WindowRef owner, const std::string& text, MessageIcon icon,
                               MessageButtons buttons) {
  if (QThread::currentThread() == thread()) return ShowHere(owner, text, icon, buttons);
  MessageAnswer answer = MessageAnswer::Cancel;
  QMetaObject::invokeMethod(
      this, [&] { answer = ShowHere(owner, text, icon, buttons); }, Qt::BlockingQueuedConnection);
  return answer;
}

MessageAnswer QtPrompter::ShowHere(WindowRef owner, const std::string& text, MessageIcon icon,
                                   MessageButtons buttons) {
  QMessageBox box(WidgetOf(owner));
  box.setWindowTitle(QString::fromUtf8(kTitle));
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
