// The time source of everything that expires (sessions, lock-outs), so tests can move it.
#pragma once

#include <chrono>
#include <functional>

namespace ydt::front {

using Now = std::function<std::chrono::steady_clock::time_point()>;

inline Now SteadyNow() {
  return [] { return std::chrono::steady_clock::now(); };
}

}  // namespace ydt::front
