// What the process holds right now, read from /proc/self: resident memory, threads and open
// file descriptors. A long run compares them between its start, its warm-up and its end.
#pragma once

#include <chrono>
#include <functional>

namespace ydt::test {

struct ProcessVitals {
  long rssKb = 0;  // VmRSS
  int threads = 0;
  int fds = 0;

  static ProcessVitals Now();
  double RssMb() const { return static_cast<double>(rssKb) / 1024.0; }
};

// Reads the vitals until the thread count is no higher than `threads` or `limit` has
// passed, running `idle` between reads: detached workers that have handed back their
// results may still be on their way out.
ProcessVitals SettledVitals(int threads, std::chrono::milliseconds limit,
                            const std::function<void()>& idle);

}  // namespace ydt::test
