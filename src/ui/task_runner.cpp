#include "ui/task_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <thread>

namespace ydt {
namespace {

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

}  // namespace

void ThreadTaskRunner::Start(std::function<void()> routine) {
  std::thread(std::move(routine)).detach();
}

void PostToUi(const QPointer<QObject>& guard, std::function<void()> fn) {
  if (OnUiThread()) {
    if (guard) fn();
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  // Posted to the application object, which outlives every window; the guard is checked
  // on the UI thread, where the window is deleted, so the check cannot race.
  QMetaObject::invokeMethod(
      app,
      [guard, fn = std::move(fn)] {
        if (guard) fn();
      },
      Qt::QueuedConnection);
}

void RunBlocking(const std::function<void()>& work) {
  if (!OnUiThread()) {
    work();
    return;
  }
  QEventLoop loop;
  std::thread helper([&] {
    work();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  helper.join();
}

}  // namespace ydt
