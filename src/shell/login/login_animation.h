// The moving banner at the top of the login window: clouds drifting over a calm sky.
// Pure decoration; it takes no input of its own, so presses and keys reach the window.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace ydt {

class LoginAnimation : public QWidget {
  Q_OBJECT

 public:
  explicit LoginAnimation(QWidget* parent = nullptr);

  void Start();
  void Stop();
  bool IsRunning() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 frozenAt_ = 0;
};

}  // namespace ydt
