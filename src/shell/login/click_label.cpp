#include "shell/login/click_label.h"

#include <QMouseEvent>

namespace ydt {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    event->accept();
    emit leftPressed();
    return;
  }
  QLabel::mousePressEvent(event);
}

}  // namespace ydt
