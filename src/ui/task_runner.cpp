#include "ui/task_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <deque>
#include <mutex>
#include <thread>

namespace ydt {
namespace {

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

struct Posted {
  QPointer<QObject> guard;
  std::function<void()> fn;
};

// Work handed to the UI thread crosses in this queue under a standard mutex, and the
// wake-up is a queued call by name, which Qt builds and frees by itself. Nothing of ours
// travels inside Qt's event: its queue is locked where a thread checker cannot see, and
// the worker's captures would otherwise look unordered against the UI thread's use.
class UiQueue : public QObject {
  Q_OBJECT
 public:
  explicit UiQueue(QObject* parent) : QObject(parent) {}
  ~UiQueue() override {
    std::deque<Posted> dropped;
    {
      std::lock_guard lock(mutex_);
      instance_ = nullptr;
      dropped.swap(pending_);
    }
  }

  static void Install() {
    std::lock_guard lock(mutex_);
    instance_ = new UiQueue(QCoreApplication::instance());
  }

  // False when the application is gone; the work is then dropped here, off the lock.
  static bool Post(Posted& work) {
    std::lock_guard lock(mutex_);
    if (instance_ == nullptr) return false;
    instance_->pending_.push_back(std::move(work));
    // Under the lock, so the queue cannot be destroyed in between.
    QMetaObject::invokeMethod(instance_, "RunOne", Qt::QueuedConnection);
    return true;
  }

  Q_INVOKABLE void RunOne() {
    Posted work;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return;
      work = std::move(pending_.front());
      pending_.pop_front();
    }
    if (work.guard) work.fn();
  }

 private:
  static std::mutex mutex_;
  static UiQueue* instance_;
  std::deque<Posted> pending_;
};

std::mutex UiQueue::mutex_;
UiQueue* UiQueue::instance_ = nullptr;

// Runs on the UI thread as each application object is built.
void InstallUiQueue() {
  UiQueue::Install();
}
Q_COREAPP_STARTUP_FUNCTION(InstallUiQueue)

}  // namespace

void ThreadTaskRunner::Start(std::function<void()> routine) {
  std::thread(std::move(routine)).detach();
}

void PostToUi(const QPointer<QObject>& guard, std::function<void()> fn) {
  if (OnUiThread()) {
    if (guard) fn();
    return;
  }
  Posted work{guard, std::move(fn)};
  UiQueue::Post(work);
}

void RunBlocking(const std::function<void()>& work) {
  if (!OnUiThread()) {
    work();
    return;
  }
  QEventLoop loop;
  std::thread helper([&] {
    work();
    QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  helper.join();
}

}  // namespace ydt

#include "task_runner.moc"
