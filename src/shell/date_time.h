#pragma once
// Date-times as the launcher counts them: days since 1899-12-30 00:00 with the
// time of day as the fraction, on the local clock (no time-zone adjustment).

#include <cstdint>

namespace kestrow::shell {

// The date-time of a local calendar date and time of day.
double EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                      int millisecond);

// The local date and time now, to the millisecond.
double NowAsDateTime();

// Seconds since 1970-01-01 00:00 of the same clock: (ConvDate - 25569) * 86400,
// rounded to the nearest integer (a tie goes to the even one).
std::int64_t DateTimeToUnix(double ConvDate);

}  // namespace kestrow::shell
