// QtPrompter shows the console's message boxes: modal QMessageBoxes titled "澜星科技提示：",
// shown on the UI thread whichever thread asks.
#pragma once

#include <QObject>

#include "service/backend/ports.h"

class QWidget;

namespace ydt {

// The owner of a box is carried through the core as an opaque WindowRef; these map it.
WindowRef WindowRefOf(const QWidget* widget);
QWidget* WidgetOf(WindowRef ref);

class QtPrompter : public QObject, public Prompter {
  Q_OBJECT
 public:
  // Must be created on the UI thread.
  explicit QtPrompter(QObject* parent = nullptr);

  // From a worker the call waits for the box shown on the UI thread.
  MessageAnswer Show(WindowRef owner, const std::string& text, MessageIcon icon,
                     MessageButtons buttons = MessageButtons::Ok) override;

  static constexpr const char* kTitle = "澜星科技提示：";

 private:
  MessageAnswer ShowHere(WindowRef owner, const std::string& text, MessageIcon icon,
                         MessageButtons buttons);
};

}  // namespace ydt
