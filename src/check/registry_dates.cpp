#include "check/registry_dates.h"

#include <array>
#include <string>

#include "base/text/byte_strings.h"

namespace sitora::check {
namespace {

constexpr std::array<std::string_view, 12> kMonths = {"january", "february", "march",     "april",   "may",      "june",
                                                     "july",    "august",   "september", "october", "november", "december"};
constexpr std::array<std::string_view, 7> kWeekdays = {"monday", "tuesday", "wednesday", "thursday",
                                                       "friday", "saturday", "sunday"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'a' && c <= 'z'; }

// A word naming one of `names`, whole or by its first three letters ("sept" too).
template <std::size_t N>
std::optional<int> NameIndex(std::string_view word, const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i) {
        const std::string_view name = names[i];
        if (word == name || (word.size() >= 3 && word.size() < name.size() && name.starts_with(word) &&
                             (word.size() == 3 || word == "sept")))
            return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<text::Date> DateOf(int year, int month, int day) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    const text::Date date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                          std::chrono::day(static_cast<unsigned>(day))};
    return date.ok() ? std::optional(date) : std::nullopt;
}

// A reading position in lower-case text.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    char Peek(std::size_t ahead = 0) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
    void SkipBlanks() {
        while (Peek() == ' ' || Peek() == '\t') ++at_;
    }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++at_;
        return true;
    }
    std::string_view Digits() { return Run(IsDigit); }
    std::string_view Word() { return Run(IsLetter); }
    // A number of `min`..`max` digits (and no more).
    std::optional<int> Number(std::size_t min, std::size_t max) {
        const std::size_t start = at_;
        const std::string_view digits = Digits();
        if (digits.size() < min || digits.size() > max) {
            at_ = start;
            return std::nullopt;
        }
        return ValueOf(digits);
    }
    // The date ends here: the end, a blank, a time ('T', "-T"), a note in brackets, a comma or a
    // full stop.
    bool AtDateEnd() const {
        const char next = Peek();
        return next == '\0' || next == ' ' || next == '\t' || next == 't' || next == '(' || next == ',' ||
               next == '.' || (next == '-' && Peek(1) == 't');
    }
    static int ValueOf(std::string_view digits) {
        int value = 0;
        for (const char c : digits) value = value * 10 + (c - '0');
        return value;
    }

private:
    std::string_view Run(bool (*belongs)(char)) {
        const std::size_t start = at_;
        while (at_ < text_.size() && belongs(text_[at_])) ++at_;
        return text_.substr(start, at_ - start);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// 2027-03-01, 2027/3/1, "2027. 03. 01.", 2027-mar-01
std::optional<text::Date> YearFirst(Cursor in) {
    const auto year = in.Number(4, 4);
    in.SkipBlanks();
    const char separator = in.Peek();
    if (!year || (separator != '-' && separator != '.' && separator != '/')) return std::nullopt;
    in.Take(separator);
    in.SkipBlanks();
    std::optional<int> month = in.Number(1, 2);
    if (!month) {
        if (const auto named = NameIndex(in.Word(), kMonths)) month = *named + 1;
    }
    in.SkipBlanks();
    if (!month || !in.Take(separator)) return std::nullopt;
    in.SkipBlanks();
    const auto day = in.Number(1, 2);
    if (!day) return std::nullopt;
    if (separator == '.') in.Take('.');  // "2020. 05. 19."
    return in.AtDateEnd() ? DateOf(*year, *month, *day) : std::nullopt;
}

// 20270301, and 20270301000000 with the time run on
std::optional<text::Date> Compact(Cursor in) {
    const std::string_view digits = in.Digits();
    if ((digits.size() != 8 && digits.size() != 14) || !in.AtDateEnd()) return std::nullopt;
    return DateOf(Cursor::ValueOf(digits.substr(0, 4)), Cursor::ValueOf(digits.substr(4, 2)),
                  Cursor::ValueOf(digits.substr(6, 2)));
}

// 1.3.2027 (always day first), 01/03/2027 and 01-03-2027 (as the registry is known to write)
DateReading NumbersWithYearLast(Cursor in, DateOrder order) {
    const auto first = in.Number(1, 2);
    const char separator = in.Peek();
    if (!first || (separator != '.' && separator != '/' && separator != '-') || !in.Take(separator)) return {};
    const auto second = in.Number(1, 2);
    if (!second || !in.Take(separator)) return {};
    const auto year = in.Number(4, 4);
    if (!year || !in.AtDateEnd()) return {};
    if (separator == '.') order = DateOrder::kDayFirst;
    if (order == DateOrder::kUnknown) {
        // Only a number above 12 or the same number twice settles it without knowing the registry.
        if (*first > 12) order = DateOrder::kDayFirst;
        else if (*second > 12 || *first == *second) order = DateOrder::kMonthFirst;
        else return {std::nullopt, true};
    }
    return order == DateOrder::kDayFirst ? DateReading{DateOf(*year, *second, *first)}
                                         : DateReading{DateOf(*year, *first, *second)};
}

// 01-Mar-2027, "07 oct 2014", "1 March, 2027"
std::optional<text::Date> DayMonthName(Cursor in) {
    const auto day = in.Number(1, 2);
    if (!day || !(in.Take('-') || in.Take(' '))) return std::nullopt;
    in.SkipBlanks();
    const auto month = NameIndex(in.Word(), kMonths);
    in.Take(',');
    if (!month || !(in.Take('-') || in.Take(' '))) return std::nullopt;
    in.SkipBlanks();
    const auto year = in.Number(4, 4);
    return year && in.AtDateEnd() ? DateOf(*year, *month + 1, *day) : std::nullopt;
}

// "may 22 2014", "March 06, 2011", "Mar 26 23:59:59 GMT 2004"
std::optional<text::Date> MonthNameDay(Cursor in) {
    const auto month = NameIndex(in.Word(), kMonths);
    in.SkipBlanks();
    const auto day = month ? in.Number(1, 2) : std::nullopt;
    if (!day) return std::nullopt;
    in.Take(',');
    in.SkipBlanks();
    if (in.Peek(1) == ':' || in.Peek(2) == ':') {  // a time of day, and perhaps a zone, before the year
        while (in.Peek() != '\0' && in.Peek() != ' ') in.Take(in.Peek());
        in.SkipBlanks();
        if (!in.Word().empty()) in.SkipBlanks();
    }
    const auto year = in.Number(4, 4);
    return year && in.AtDateEnd() ? DateOf(*year, *month + 1, *day) : std::nullopt;
}

}  // namespace

DateReading ReadDateAt(std::string_view text, DateOrder order) {
    const std::string lowered = text::AsciiLower(text::TrimBlanks(text));
    Cursor in(lowered);
    {
        // A weekday first: "Tue, Aug 04, 2009", "Fri Mar 26 23:59:59 GMT 2004".
        Cursor probe = in;
        if (NameIndex(probe.Word(), kWeekdays)) {
            probe.Take(',');
            probe.SkipBlanks();
            in = probe;
        }
    }
    for (const auto reader : {YearFirst, Compact, DayMonthName, MonthNameDay})
        if (const auto date = reader(in)) return {date};
    return NumbersWithYearLast(in, order);
}

std::optional<text::Date> ReadRegistryDate(std::string_view text, DateOrder order) { return ReadDateAt(text, order).date; }

}  // namespace sitora::check
