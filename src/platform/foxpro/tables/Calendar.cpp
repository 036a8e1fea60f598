#include "platform/foxpro/tables/Calendar.h"

#include <chrono>
#include <ctime>

namespace foxpro {

namespace {

using namespace std::chrono;

// The Julian day number of 1970-01-01, the epoch of sys_days.
constexpr std::int64_t kJulianDayOfUnixEpoch = 2440588;

year_month_day Calendar(const ado::Date& date) {
  return year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                        day{static_cast<unsigned>(date.day)}};
}

}  // namespace

bool IsStorableDate(const ado::Date& date) {
  return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.day >= 1 && Calendar(date).ok();
}

std::int64_t JulianDayOf(const ado::Date& date) {
  return sys_days{Calendar(date)}.time_since_epoch().count() + kJulianDayOfUnixEpoch;
}

ado::Date DateOfJulianDay(std::int64_t julianDay) {
  const year_month_day ymd{sys_days{days{julianDay - kJulianDayOfUnixEpoch}}};
  return ado::Date{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                   static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

ado::DateTime WholeSecondOfNoise(const ado::DateTime& stored) {
  ado::DateTime second = stored;
  if (stored.millisecond == 1) {
    second.millisecond = 0;
  } else if (stored.millisecond == 999 && !(stored.hour == 23 && stored.minute == 59 && stored.second == 59)) {
    second.millisecond = 0;
    const int next = (stored.hour * 60 + stored.minute) * 60 + stored.second + 1;
    second.hour = next / 3600;
    second.minute = next / 60 % 60;
    second.second = next % 60;
  }
  return second;
}

ado::Date LocalToday() {
  // The local time zone's date: std::chrono::current_zone needs tzdata that a minimal system
  // may lack, localtime_r does not.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ado::Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace foxpro
