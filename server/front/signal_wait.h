// Runs a server until SIGINT or SIGTERM, taking the signals on one thread with sigwait so no
// handler ever runs inside the server.
#pragma once

#include <functional>

namespace ydt::front {

// Call before any other thread starts: the threads started later inherit the blocked
// signals, so only the waiting thread receives them.
void BlockStopSignals();

// Runs `run` on the calling thread; a stop signal calls `stop` until `finished` holds (a
// signal may come before the server listens, and a server not yet listening ignores a stop).
void RunUntilStopSignal(const std::function<void()>& run, const std::function<void()>& stop,
                        const std::function<bool()>& finished);

}  // namespace ydt::front
