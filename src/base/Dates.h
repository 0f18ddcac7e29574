#pragma once
// Calendar arithmetic on local times: a date as a day number and a local time
// as milliseconds on one scale. Pure arithmetic, no clock is read here.
#include <cstdint>

#include "base/Toolkit.h"

namespace velmora {

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
constexpr std::int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<std::int64_t>(year - era * 400);
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Milliseconds from 1970-01-01 00:00 of a local time; a month or day below 1
// counts as 1, so an unset time still lands on a real date.
constexpr std::int64_t LocalMilliseconds(const LocalTime& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month < 1 ? 1 : t.month, t.day < 1 ? 1 : t.day);
    return ((days * 24 + t.hour) * 60 + t.minute) * 60000LL + static_cast<std::int64_t>(t.second) * 1000 +
           t.millisecond;
}

}  // namespace velmora
