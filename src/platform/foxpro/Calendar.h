#pragma once

#include <cstdint>

#include "platform/ado/Value.h"

namespace foxpro {

/// A date FoxPro can hold: a real day of the proleptic Gregorian calendar in years 1 to 9999.
bool IsStorableDate(const ado::Date& date);

/// The Julian day number a T field stores for a date (2000-01-01 is 2451545).
std::int64_t JulianDayOf(const ado::Date& date);
/// The date of a Julian day number.
ado::Date DateOfJulianDay(std::int64_t julianDay);

/// Today's date on the local clock, for a header's last-update bytes.
ado::Date LocalToday();

}  // namespace foxpro
