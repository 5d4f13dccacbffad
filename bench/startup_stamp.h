// The moments a start-up probe reports to bench_startup: the system-wide monotonic clock,
// which the launcher also reads just before it starts the probe, and the resident size.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

namespace ydt::bench {

std::int64_t MonotonicNs();
long ResidentKb();

// Writes "<what> <ns> <rss_kb>" on its own line to stdout and flushes it.
void Report(const std::string& what);

// Calls `painted` once, after the first time `window` (or a child of it) has painted and
// the paint has been handed to the screen.
class FirstPaint : public QObject {
 public:
  FirstPaint(QWidget* window, std::function<void()> painted);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
  std::function<void()> painted_;
  bool seen_ = false;
};

}  // namespace ydt::bench
