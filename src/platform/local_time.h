#pragma once
// The local wall-clock time of the user's time zone.

#include <string>

namespace kestrow::platform {

struct LocalDateTime {
    int year = 0;         // four digits
    int month = 0;        // 1..12
    int day = 0;          // 1..31
    int hour = 0;         // 0..23
    int minute = 0;       // 0..59
    int second = 0;       // 0..59 (a leap second reads 59)
    int millisecond = 0;  // 0..999
};

// Now, in local time; thread-safe.
LocalDateTime LocalNow();

// The time separator of the user's regional settings. POSIX locales carry no
// such setting of their own: ':'.
std::string LocalTimeSeparator();

// The decimal separator of the user's regional settings (POSIX: LC_NUMERIC of
// the user's environment, whatever the process's own locale is); "." when the
// environment names no usable locale.
std::string LocalDecimalSeparator();

}  // namespace kestrow::platform
