// LoadingIndicator: a small spinning arc that shows a list load is under way. It animates
// from a timer, so it only moves while the UI thread is free, which is the point.
#pragma once

#include <QTimer>
#include <QWidget>

namespace ydt {

class LoadingIndicator : public QWidget {
  Q_OBJECT

 public:
  explicit LoadingIndicator(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {18, 18}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QTimer timer_;
  int angle_ = 0;
};

}  // namespace ydt
