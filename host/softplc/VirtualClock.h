#pragma once
// The plug-in's clock in a headless run: local time that advances with the
// soft PLC's virtual time, from midnight of 1 January 2026.
#include "base/Toolkit.h"
#include "softplc/PlcEngine.h"

namespace velmora::softplc {

class VirtualClock : public Clock {
public:
    explicit VirtualClock(const PlcEngine& engine) : engine_(engine) {}
    LocalTime now() const override {
        const auto total = static_cast<long long>(engine_.now());
        LocalTime t;
        t.millisecond = static_cast<int>(total % 1000);
        long long seconds = total / 1000;
        t.second = static_cast<int>(seconds % 60);
        t.minute = static_cast<int>((seconds / 60) % 60);
        t.hour = static_cast<int>((seconds / 3600) % 24);
        const long long days = seconds / 86400;
        // Days after 1 January 2026, within that year's months (enough for any run).
        static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        t.year = 2026 + static_cast<int>(days / 365);
        int day = static_cast<int>(days % 365);
        int month = 0;
        while (day >= kMonthDays[month]) day -= kMonthDays[month++];
        t.month = month + 1;
        t.day = day + 1;
        return t;
    }

private:
    const PlcEngine& engine_;
};

}  // namespace velmora::softplc
