// The cache-busting value the captcha request carries: it makes every picture request a
// distinct address, and the backend expects it in this 13-digit millisecond form.
#pragma once

#include <ctime>
#include <string>

namespace ydt {

// Whole seconds from the local date-time 1970-01-01 08:00:00 to `localTime`, followed by
// `millisecond` in three digits, filled up with "0" at the end to 13 characters. A clock
// set before that moment counts as 0 seconds, so the text stays all digits.
std::string CaptchaStampAt(const std::tm& localTime, int millisecond);

// CaptchaStampAt for the current local date-time.
std::string CaptchaStamp();

}  // namespace ydt
