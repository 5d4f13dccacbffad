// Starting work off the UI thread, and bringing results back to it safely.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

namespace ydt {

// Starts a routine as a WorkerTask. Injected so tests can run routines inline.
class TaskRunner {
 public:
  virtual ~TaskRunner() = default;
  virtual void Start(std::function<void()> routine) = 0;
};

// A short-lived thread per routine, never waited for; it ends when the routine returns.
class ThreadTaskRunner : public TaskRunner {
 public:
  void Start(std::function<void()> routine) override;
};

// Runs the routine on the calling thread before returning (tests).
class InlineTaskRunner : public TaskRunner {
 public:
  void Start(std::function<void()> routine) override { routine(); }
};

// Runs fn on the UI thread if guard still lives by then. Create the QPointer on the UI
// thread (before starting the worker) and capture it: taking a raw pointer into a QPointer
// on a worker would race with the object's deletion. On the UI thread fn runs at once.
void PostToUi(const QPointer<QObject>& guard, std::function<void()> fn);

// Runs work (a request's HTTP exchange) on a helper thread while the UI thread waits in a
// local event loop that excludes user input: events happen in the order of a blocking call,
// but the window keeps painting. Called off the UI thread it simply runs work.
void RunBlocking(const std::function<void()>& work);

}  // namespace ydt
