#include "shell/date_time.h"

#include <cmath>

#include "platform/local_time.h"

namespace kestrow::shell {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 counted from 1899-12-30
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMillisecondsPerDay = 86400000.0;

}  // namespace

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                      int millisecond) {
    const double days = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month),
                                                          static_cast<unsigned>(day))) +
                        kUnixEpochDays;
    const double ms = ((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond;
    return days + ms / kMillisecondsPerDay;
}

double NowAsDateTime() {
    const platform::LocalDateTime now = platform::LocalNow();
    return EncodeDateTime(now.year, now.month, now.day, now.hour, now.minute, now.second,
                          now.millisecond);
}

std::int64_t DateTimeToUnix(double ConvDate) {
    // nearbyint rounds in the default mode, half to even, as the original did.
    return static_cast<std::int64_t>(std::nearbyint((ConvDate - kUnixEpochDays) * kSecondsPerDay));
}

}  // namespace kestrow::shell
