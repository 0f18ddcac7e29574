#include "base/Toolkit.h"

#include <chrono>

#include "base/Platform.h"

namespace velmora {

LocalTime SystemClock::now() const {
    const auto at = std::chrono::system_clock::now();
    const std::tm tm = LocalCalendar(std::chrono::system_clock::to_time_t(at));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = static_cast<int>(ms);
    return t;
}

}  // namespace velmora
