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

/// Visual FoxPro keeps datetimes to the second, and the milliseconds it stores carry float
/// noise: 08:30:00 is often stored as 08:29:59.999 or 08:30:00.001. The second a stored value
/// means: a value one millisecond off a whole second of its own day is that second; any other
/// value (other milliseconds, written by other programs, or 23:59:59.999, which would move to
/// the next day) is its own.
ado::DateTime WholeSecondOfNoise(const ado::DateTime& stored);

/// Today's date on the local clock, for a header's last-update bytes.
ado::Date LocalToday();

}  // namespace foxpro
