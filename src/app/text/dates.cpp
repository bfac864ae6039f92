#include "app/text/dates.h"

#include <charconv>
#include <cstdio>

namespace sitora::text {
namespace {

// Reads 1..max_digits decimal digits at `pos`; advances `pos` past them.
std::optional<unsigned> ReadNumber(std::string_view text, std::size_t& pos, std::size_t max_digits) {
    std::size_t start = pos;
    while (pos < text.size() && pos - start < max_digits && text[pos] >= '0' && text[pos] <= '9') ++pos;
    if (pos == start || (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')) return std::nullopt;
    unsigned value = 0;
    std::from_chars(text.data() + start, text.data() + pos, value);
    return value;
}

}  // namespace

std::optional<Date> ParseDate(std::string_view text) {
    std::size_t pos = 0;
    auto year = ReadNumber(text, pos, 4);
    if (!year || pos >= text.size() || (text[pos] != '-' && text[pos] != '/')) return std::nullopt;
    const char separator = text[pos++];
    auto month = ReadNumber(text, pos, 2);
    if (!month || pos >= text.size() || text[pos] != separator) return std::nullopt;
    ++pos;
    auto day = ReadNumber(text, pos, 2);
    if (!day || pos != text.size() || *year == 0) return std::nullopt;
    Date date{std::chrono::year(static_cast<int>(*year)), std::chrono::month(*month),
              std::chrono::day(*day)};
    if (!date.ok()) return std::nullopt;
    return date;
}

std::string ShortDate(const Date& date) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%u-%u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buffer;
}

std::string IsoDate(const Date& date) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return buffer;
}

Date AddDays(const Date& date, int days) {
    return Date{std::chrono::sys_days(date) + std::chrono::days(days)};
}

int DaysBetween(const Date& from, const Date& to) {
    return static_cast<int>((std::chrono::sys_days(to) - std::chrono::sys_days(from)).count());
}

}  // namespace sitora::text
