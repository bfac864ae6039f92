#pragma once
// The dates registries write, read: "2027-03-01T04:00:00Z", "2027. 03. 01.", "20270301",
// "1.3.2027", "01-Mar-2027", "Mar 1 2027", "Mon Mar 01 23:59:59 GMT 2027" and the like.
// Whether "01/03/2027" is the first of March or the third of January is never guessed: it comes
// from what the registry is known to write, or the date is not read.
#include <optional>
#include <string_view>

#include "base/text/dates.h"

namespace sitora::check {

enum class DateOrder { kUnknown, kDayFirst, kMonthFirst };

struct DateReading {
    std::optional<text::Date> date;
    bool ambiguous = false;  // day and month could be either way round and the order is unknown
};

// The date at the start of `text` (blanks around it and a weekday before it allowed); what may
// follow it is a time of day, a note in brackets or the end.
DateReading ReadDateAt(std::string_view text, DateOrder order);

// The calendar date of a registry's date-time; nothing for text of no known form.
std::optional<text::Date> ReadRegistryDate(std::string_view text, DateOrder order = DateOrder::kUnknown);

}  // namespace sitora::check
