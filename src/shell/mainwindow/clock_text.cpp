#include "shell/mainwindow/clock_text.h"

namespace ydt {

std::string ClockDateTimeText(const std::tm& time) {
  std::string text = std::to_string(time.tm_year + 1900) + "年" + std::to_string(time.tm_mon + 1) +
                     "月" + std::to_string(time.tm_mday) + "日";
  const std::string hours = std::to_string(time.tm_hour) + "时";
  const std::string minutes = std::to_string(time.tm_min) + "分";
  if (time.tm_sec != 0) {
    text += hours + minutes + std::to_string(time.tm_sec) + "秒";
  } else if (time.tm_min != 0) {
    text += hours + minutes;
  } else if (time.tm_hour != 0) {
    text += hours;
  }
  return text;
}

}  // namespace ydt
