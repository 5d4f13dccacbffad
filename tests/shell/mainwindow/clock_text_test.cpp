#include <gtest/gtest.h>

#include "shell/mainwindow/clock_text.h"

namespace ydt {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  return time;
}

TEST(ClockTextTest, WritesNumbersWithoutLeadingZerosDownToTheLastNonZeroPart) {
  EXPECT_EQ(ClockDateTimeText(At(2023, 2, 28, 7, 7, 58)), "2023年2月28日7时7分58秒");
  EXPECT_EQ(ClockDateTimeText(At(2023, 2, 28, 0, 0, 0)), "2023年2月28日");
  EXPECT_EQ(ClockDateTimeText(At(2023, 2, 28, 12, 0, 0)), "2023年2月28日12时");
  EXPECT_EQ(ClockDateTimeText(At(2023, 12, 1, 9, 30, 0)), "2023年12月1日9时30分");
  // Seconds alone still bring the hours and minutes, zeros included.
  EXPECT_EQ(ClockDateTimeText(At(2024, 1, 1, 0, 0, 5)), "2024年1月1日0时0分5秒");
  EXPECT_EQ(ClockDateTimeText(At(2024, 1, 1, 0, 1, 0)), "2024年1月1日0时1分");
}

}  // namespace
}  // namespace ydt
