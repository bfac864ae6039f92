#pragma once
// The one source of "now" for the whole program, settable by tests.
#include <cstdint>
#include <functional>
#include <string>

#include "base/text/dates.h"

namespace sitora::text {

struct LocalTime {
    Date date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime Now();
Date Today();

// Seconds since the epoch at local noon of `date`: a moment well inside that day in any zone.
std::int64_t NoonOf(const Date& date);

// "yyyymmddhhmmss", used for stored time stamps and proposed export file names.
std::string TimeStamp14(const LocalTime& time);

// Replaces the system clock until reset with an empty function.
void SetClockForTesting(std::function<LocalTime()> clock);

}  // namespace sitora::text
