#include "ui/event_loop_pauser.h"

#include <QEventLoop>
#include <QTimer>
#include <climits>

namespace ydt {

void EventLoopPauser::Pause(std::int64_t milliseconds) {
  // QTimer counts in int; a saturated batch delay is waited out in int-sized steps.
  while (milliseconds > 0) {
    const int step = milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
    QEventLoop loop;
    QTimer::singleShot(step, &loop, &QEventLoop::quit);
    loop.exec();
    milliseconds -= step;
  }
}

}  // namespace ydt
