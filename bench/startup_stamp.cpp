#include "startup_stamp.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace ydt::bench {

std::int64_t MonotonicNs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

void Report(const std::string& what) {
  std::printf("%s %lld %ld\n", what.c_str(), static_cast<long long>(MonotonicNs()), ResidentKb());
  std::fflush(stdout);
}

FirstPaint::FirstPaint(QWidget* window, std::function<void()> painted)
    : window_(window), painted_(std::move(painted)) {
  QCoreApplication::instance()->installEventFilter(this);
}

bool FirstPaint::eventFilter(QObject* watched, QEvent* event) {
  if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType() && window_ &&
      static_cast<QWidget*>(watched)->window() == window_) {
    seen_ = true;
    QCoreApplication::instance()->removeEventFilter(this);
    // Queued: it runs once the whole window has painted and been flushed.
    QTimer::singleShot(0, this, [this] { painted_(); });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ydt::bench
