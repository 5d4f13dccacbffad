// A TaskRunner for tests: a thread per routine, all joined on demand and at destruction,
// so no routine outlives the services it was handed.
#pragma once

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "ui/task_runner.h"

namespace ydt::test {

class JoiningTaskRunner : public TaskRunner {
 public:
  ~JoiningTaskRunner() override { JoinAll(); }
  void Start(std::function<void()> routine) override {
    std::lock_guard lock(mutex_);
    threads_.emplace_back(std::move(routine));
  }
  void JoinAll() {
    for (;;) {
      std::vector<std::thread> running;
      {
        std::lock_guard lock(mutex_);
        running.swap(threads_);
      }
      if (running.empty()) return;
      for (auto& thread : running) thread.join();
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::thread> threads_;
};

}  // namespace ydt::test
