// A label that reports a left-button press: the hyperlinks and the captcha picture of the
// login window react to the press itself, not to a click.
#pragma once

#include <QLabel>

namespace ydt {

class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 signals:
  void leftPressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace ydt
