#include <langinfo.h>
#include <locale.h>
#include <time.h>

#include <algorithm>

#include "platform/local_time.h"

namespace kestrow::platform {

LocalDateTime LocalNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    LocalDateTime out;
    out.year = parts.tm_year + 1900;
    out.month = parts.tm_mon + 1;
    out.day = parts.tm_mday;
    out.hour = parts.tm_hour;
    out.minute = parts.tm_min;
    out.second = std::min(parts.tm_sec, 59);
    out.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return out;
}

std::string LocalTimeSeparator() {
    return ":";
}

std::string LocalDecimalSeparator() {
    static const std::string separator = [] {
        std::string result = ".";
        if (locale_t user = newlocale(LC_NUMERIC_MASK, "", nullptr)) {
            const char* radix = nl_langinfo_l(RADIXCHAR, user);
            if (radix != nullptr && *radix != '\0') {
                result = radix;
            }
            freelocale(user);
        }
        return result;
    }();
    return separator;
}

}  // namespace kestrow::platform
