#include "consoles/machines/ui/loading_indicator.h"

#include <QPainter>

namespace ydt {

LoadingIndicator::LoadingIndicator(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("图形按钮_加载中"));
  setFixedSize(sizeHint());
  timer_.setInterval(80);
  connect(&timer_, &QTimer::timeout, this, [this] {
    angle_ = (angle_ + 30) % 360;
    update();
  });
}

void LoadingIndicator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF box = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
  painter.setPen(QPen(palette().color(QPalette::Mid), 2.5));
  painter.drawEllipse(box);
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawArc(box, -angle_ * 16, 100 * 16);
}

void LoadingIndicator::showEvent(QShowEvent* event) {
  timer_.start();
  QWidget::showEvent(event);
}

void LoadingIndicator::hideEvent(QHideEvent* event) {
  timer_.stop();
  QWidget::hideEvent(event);
}

}  // namespace ydt
