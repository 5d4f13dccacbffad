// Drives the next modal dialog from inside its own event loop, where the code under test
// runs it. A failed check inside `drive` leaves the lambda only, and a dialog left open
// would hold the test until ctest's time-out; so however `drive` ends, a dialog still open
// is ended and exec() returns. One that does not open in time fails the test, and is ended
// unseen should it open later.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace ydt::test {

class ModalDriver {
 public:
  explicit ModalDriver(std::function<void(QDialog*)> drive, int openWithinMs = 10000) {
    clock_.start();
    QObject::connect(&poll_, &QTimer::timeout, [this, drive = std::move(drive), openWithinMs] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        if (!late_ && clock_.elapsed() > openWithinMs) {
          late_ = true;
          QTest::qFail("no modal dialog opened in time", __FILE__, __LINE__);
        }
        return;
      }
      poll_.stop();
      const QPointer<QDialog> guard(dialog);
      if (!late_) drive(dialog);
      // done(), not reject(): a dialog may refuse to be dismissed, during a run for one.
      if (guard && guard->isVisible()) guard->done(QDialog::Rejected);
    });
    poll_.start(10);
  }

 private:
  QTimer poll_;
  QElapsedTimer clock_;
  bool late_ = false;
};

}  // namespace ydt::test
