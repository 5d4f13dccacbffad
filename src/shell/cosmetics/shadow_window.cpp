#include "shell/cosmetics/shadow_window.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>

#include "shell/cosmetics/shadow_rings.h"

namespace ydt {
namespace {

struct DrawingSettings {
  int darkness = 50;
  bool roundedInner = false;
  int innerDiameter = 5;
};

DrawingSettings& Settings() {
  static DrawingSettings settings;
  return settings;
}

}  // namespace

ShadowWindow::ShadowWindow(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint) {
  setObjectName(QStringLiteral("Umbra.WndShadow"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  // Shown in no title bar or task list. A window without an icon of its own sends the
  // program's icon, every size of it, to the X server when it is made; one pixel will do.
  QPixmap dot(1, 1);
  dot.fill(Qt::transparent);
  setWindowIcon(QIcon(dot));
}

void ShadowWindow::SetShadow(const QColor& color, int size) {
  color_ = color;
  size_ = size;
}

void ShadowWindow::SetDrawingSettings(int darkness, bool roundedInner, int innerDiameter) {
  Settings() = DrawingSettings{darkness, roundedInner, innerDiameter};
}

void ShadowWindow::Surround(const QRect& ownerFrame) {
  const int s = size_;
  const QRect outer(ownerFrame.left() - s, ownerFrame.top() - s, ownerFrame.width() + 2 * s,
                    ownerFrame.height() + 2 * s);
  setGeometry(outer);
  // The window covers only the ring around the owner. Without a compositor a translucent
  // window shows its transparent pixels as black, and the owner must never be hidden.
  QRegion ring(0, 0, outer.width(), outer.height());
  ring -= QRegion(s, s, ownerFrame.width(), ownerFrame.height());
  if (mask() != ring) setMask(ring);
  update();
}

void ShadowWindow::PaintRings(QPainter& painter, int width, int height) const {
  const int s = size_;
  const DrawingSettings settings = Settings();
  painter.setRenderHint(QPainter::Antialiasing, true);
  QPainterPath clip;
  clip.addRect(QRectF(0, 0, width, height));
  QPainterPath inner;
  const QRectF innerRect(s, s, width - 2 * s, height - 2 * s);
  if (settings.roundedInner) {
    const qreal radius = settings.innerDiameter / 2.0;
    inner.addRoundedRect(innerRect, radius, radius);
  } else {
    inner.addRect(innerRect);
  }
  painter.setClipPath(clip.subtracted(inner));
  // Pixel centres sit at half coordinates: a one-pixel outline at an integer position
  // covers exactly one pixel column this way instead of smearing over two.
  painter.translate(0.5, 0.5);
  painter.setBrush(Qt::NoBrush);
  for (const ShadowRing& ring : ShadowRings(width, height, s, settings.darkness)) {
    QColor color = color_;
    color.setAlpha(ring.alpha);
    QPen pen(color);
    pen.setWidthF(1.0);
    painter.setPen(pen);
    const QRectF box(ring.x, ring.y, ring.width, ring.height);
    if (ring.width <= 0 || ring.height <= 0) continue;
    painter.drawRoundedRect(box, kShadowCornerRadius, kShadowCornerRadius);
  }
}

void ShadowWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(rect(), Qt::transparent);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  PaintRings(painter, width(), height());
}

}  // namespace ydt
