// The status-bar clock's date-time text.
#pragma once

#include <ctime>
#include <string>

namespace ydt {

// "2023年2月28日7时7分58秒": numbers without leading zeros; the time is written down to its
// last non-zero part, so 12:00:00 reads "…日12时" and midnight shows the date alone.
std::string ClockDateTimeText(const std::tm& time);

}  // namespace ydt
