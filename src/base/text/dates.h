#pragma once
// Calendar dates as the program writes and reads them.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace sitora::text {

using Date = std::chrono::year_month_day;

// Reads year-month-day with "-" or "/" between the parts, with or without leading
// zeros ("2010-1-5", "2010-01-05", "2010/1/5"); the year has four digits at most.
// Returns nothing for text that is no real date ("2010-2-31", "abc").
std::optional<Date> ParseDate(std::string_view text);

// ParseDate's forms and the ones people write in lists: "2027年3月1日", "2027.3.1".
std::optional<Date> ParseWrittenDate(std::string_view text);

// True for a date written with a year of fewer than four digits ("27-3-1", "27年3月1日"), which
// no list date may have: the century would be a guess.
bool HasShortYear(std::string_view text);

// The system's short date format "yyyy-M-d": "2011-12-1".
std::string ShortDate(const Date& date);

// ShortDate of a date, or the empty text for none: how a list shows a date it may lack.
std::string ShortDateOrBlank(const std::optional<Date>& date);

// The stored form "YYYY-MM-DD", whose text order is date order.
std::string IsoDate(const Date& date);

Date AddDays(const Date& date, int days);

// Days from `from` to `to` (negative when `to` lies before).
int DaysBetween(const Date& from, const Date& to);

}  // namespace sitora::text
