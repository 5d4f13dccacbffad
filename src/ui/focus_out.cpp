#include "ui/focus_out.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace ydt {
namespace {

class FocusOutFilter : public QObject {
 public:
  FocusOutFilter(QWidget* widget, std::function<void()> handler)
      : QObject(widget), handler_(std::move(handler)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusOut) handler_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> handler_;
};

}  // namespace

void OnFocusOut(QWidget* widget, std::function<void()> handler) {
  widget->installEventFilter(new FocusOutFilter(widget, std::move(handler)));
}

}  // namespace ydt
