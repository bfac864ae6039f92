#include "base/text/dates.h"

#include <charconv>

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

namespace {

// The text with "年" and "月" as "-", "日" dropped at the end, and "." as "-".
std::string WithDashes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("年") || rest.starts_with("月")) {
            out += '-';
            i += 3;
        } else if (rest == "日") {
            i += 3;
        } else {
            out += text[i] == '.' ? '-' : text[i];
            ++i;
        }
    }
    return out;
}

}  // namespace

std::optional<Date> ParseWrittenDate(std::string_view text) {
    if (auto date = ParseDate(text)) return date;
    return ParseDate(WithDashes(text));
}

bool HasShortYear(std::string_view text) {
    const std::string dashed = WithDashes(text);
    const auto separator = dashed.find_first_of("-/");
    return separator != std::string::npos && separator > 0 && separator < 4 &&
           dashed.find_first_not_of("0123456789") == separator;
}

namespace {

// "yyyy-" then month and day, each with at least `width` digits; written by hand, as the lists
// and the exports format every date of every row.
std::string Format(const Date& date, unsigned width) {
    std::string out;
    out.reserve(10);
    const int year = static_cast<int>(date.year());
    if (year < 0 || year > 9999) return std::to_string(year) + "-" + std::to_string(static_cast<unsigned>(date.month())) +
                                      "-" + std::to_string(static_cast<unsigned>(date.day()));
    for (int divisor = 1000; divisor > 0; divisor /= 10) out += static_cast<char>('0' + year / divisor % 10);
    for (unsigned part : {static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day())}) {
        out += '-';
        if (part >= 10 || width == 2) out += static_cast<char>('0' + part / 10 % 10);
        out += static_cast<char>('0' + part % 10);
    }
    return out;
}

}  // namespace

std::string ShortDate(const Date& date) { return Format(date, 1); }

std::string IsoDate(const Date& date) { return Format(date, 2); }

Date AddDays(const Date& date, int days) {
    return Date{std::chrono::sys_days(date) + std::chrono::days(days)};
}

int DaysBetween(const Date& from, const Date& to) {
    return static_cast<int>((std::chrono::sys_days(to) - std::chrono::sys_days(from)).count());
}

std::string ShortDateOrBlank(const std::optional<Date>& date) { return date ? ShortDate(*date) : std::string(); }

}  // namespace sitora::text
