#include "shell/login/login_animation.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace ydt {
namespace {

void DrawCloud(QPainter& painter, QPointF at, qreal scale, int alpha) {
  QPainterPath cloud;
  // Winding fill: the overlapping puffs form one body instead of cutting holes in it.
  cloud.setFillRule(Qt::WindingFill);
  cloud.addEllipse(at + QPointF(0, 8) * scale, 22 * scale, 14 * scale);
  cloud.addEllipse(at + QPointF(18, 0) * scale, 20 * scale, 18 * scale);
  cloud.addEllipse(at + QPointF(38, 8) * scale, 18 * scale, 12 * scale);
  cloud.addRoundedRect(QRectF(at + QPointF(-18, 6) * scale, QSizeF(72, 16) * scale), 8 * scale,
                       8 * scale);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, alpha));
  painter.drawPath(cloud);
}

}  // namespace

LoginAnimation::LoginAnimation(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.setInterval(40);
  connect(&timer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
  clock_.start();
}

void LoginAnimation::Start() {
  if (!clock_.isValid()) clock_.start();
  timer_.start();
}

void LoginAnimation::Stop() {
  frozenAt_ = clock_.elapsed();
  timer_.stop();
}

void LoginAnimation::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0x2a, 0x74, 0xd0));
  sky.setColorAt(1, QColor(0x5d, 0xa5, 0xf0));
  painter.fillRect(rect(), sky);

  const qreal t = (timer_.isActive() ? clock_.elapsed() : frozenAt_) / 1000.0;
  const qreal w = width();
  // Three layers at their own speeds give depth without any picture files.
  struct Layer {
    qreal y, scale, speed, offset;
    int alpha;
  };
  const Layer layers[] = {
      {0.28, 0.8, 9, 0.1, 90}, {0.55, 1.1, 16, 0.6, 130}, {0.18, 1.4, 24, 0.35, 170}};
  for (const Layer& layer : layers) {
    const qreal span = w + 160;
    for (int k = 0; k < 2; ++k) {
      const qreal x = std::fmod(layer.offset * span + k * span / 2 + t * layer.speed, span) - 80;
      DrawCloud(painter, QPointF(x, layer.y * height()), layer.scale, layer.alpha);
    }
  }
  // A slow swell along the bottom edge.
  QPainterPath wave;
  wave.moveTo(0, height());
  for (int x = 0; x <= width(); x += 6) {
    wave.lineTo(x, height() - 12 - 5 * std::sin(x / 38.0 + t * 2 * M_PI / 4.0));
  }
  wave.lineTo(width(), height());
  wave.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 60));
  painter.drawPath(wave);
}

}  // namespace ydt
