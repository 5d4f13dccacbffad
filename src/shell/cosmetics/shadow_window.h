// The companion window that paints a soft drop shadow around its owner. It never takes
// input or focus; clicks fall through to whatever lies below.
#pragma once

#include <QColor>
#include <QWidget>

namespace ydt {

class ShadowWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ShadowWindow(QWidget* owner);

  void SetShadow(const QColor& color, int size);
  QColor ShadowColor() const { return color_; }
  int ShadowSize() const { return size_; }
  // Paint settings shared by every shadow of the program.
  static void SetDrawingSettings(int darkness, bool roundedInner, int innerDiameter);

  // Places the window around `ownerFrame` and repaints it.
  void Surround(const QRect& ownerFrame);

  // Paints the rings for a window of width × height (paintEvent; tests read the pixels).
  void PaintRings(QPainter& painter, int width, int height) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_ = QColor(0, 0, 0);
  int size_ = 3;
};

}  // namespace ydt
