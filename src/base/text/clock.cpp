#include "base/text/clock.h"

#include <cstdio>
#include <ctime>

namespace sitora::text {
namespace {

std::function<LocalTime()>& TestClock() {
    static std::function<LocalTime()> clock;
    return clock;
}

LocalTime SystemNow() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime now;
    now.date = Date{std::chrono::year(tm.tm_year + 1900), std::chrono::month(tm.tm_mon + 1),
                    std::chrono::day(tm.tm_mday)};
    now.hour = tm.tm_hour;
    now.minute = tm.tm_min;
    now.second = tm.tm_sec;
    return now;
}

}  // namespace

LocalTime Now() { return TestClock() ? TestClock()() : SystemNow(); }

Date Today() { return Now().date; }

std::int64_t NoonOf(const Date& date) {
    std::tm parts{};
    parts.tm_year = static_cast<int>(date.year()) - 1900;
    parts.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    parts.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    parts.tm_hour = 12;
    parts.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&parts));
}

std::string TimeStamp14(const LocalTime& time) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d%02u%02u%02d%02d%02d", static_cast<int>(time.date.year()),
                  static_cast<unsigned>(time.date.month()), static_cast<unsigned>(time.date.day()),
                  time.hour, time.minute, time.second);
    return buffer;
}

void SetClockForTesting(std::function<LocalTime()> clock) { TestClock() = std::move(clock); }

}  // namespace sitora::text
