// How an operation the operator waits for runs its HTTP exchange. The window runs it on a
// helper thread while it keeps painting without taking input; an empty runner (tests, core
// callers) simply calls it.
#pragma once

#include <functional>

namespace ydt {

using BlockingRunner = std::function<void(const std::function<void()>&)>;

inline void RunThrough(const BlockingRunner& runner, const std::function<void()>& work) {
  if (runner) {
    runner(work);
  } else {
    work();
  }
}

}  // namespace ydt
