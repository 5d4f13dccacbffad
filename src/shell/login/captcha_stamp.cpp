#include "shell/login/captcha_stamp.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace ydt {

std::string CaptchaStampAt(const std::tm& localTime, int millisecond) {
  // timegm reads the broken-down local time as if it were UTC, which gives the calendar
  // distance from 1970-01-01 00:00:00 local; the stamp counts from 08:00 of that day.
  std::tm copy = localTime;
  std::int64_t seconds = static_cast<std::int64_t>(timegm(&copy)) - 8 * 3600;
  if (seconds < 0) seconds = 0;
  if (millisecond < 0) millisecond = 0;
  if (millisecond > 999) millisecond = 999;
  char millis[8];
  std::snprintf(millis, sizeof millis, "%03d", millisecond);
  std::string stamp = std::to_string(seconds) + millis;
  if (stamp.size() < 13) stamp.append(13 - stamp.size(), '0');
  return stamp;
}

std::string CaptchaStamp() {
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  return CaptchaStampAt(local, static_cast<int>(ms % 1000));
}

}  // namespace ydt
