#include "signal_wait.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

namespace ydt::front {
namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

}  // namespace

void BlockStopSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

void RunUntilStopSignal(const std::function<void()>& run, const std::function<void()>& stop,
                        const std::function<bool()>& finished) {
  const sigset_t signals = StopSignals();
  std::atomic<bool> signalled{false};
  std::thread waiter([&] {
    int received = 0;
    sigwait(&signals, &received);
    signalled = true;
    while (!finished()) {
      stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  run();
  // The server ended by itself: wake the waiter with a signal meant for it alone.
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();
}

}  // namespace ydt::front
