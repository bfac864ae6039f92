#pragma once
// When a record is due: its space or domain runs out on or before today plus the lead time
// of t_set. The main window, the expiry window and the command line share this rule.
#include <string>
#include <vector>

#include "data/ado_query.h"
#include "base/text/dates.h"

namespace sitora::data {

struct Thresholds {
    text::Date space;
    text::Date domain;
};

// Reads the lead times (first row of t_set) on `query` and adds them to `today`. Throws
// DataError for a t_set without rows or with a lead time that is no whole number.
Thresholds ReadThresholds(TADOQuery& query, const text::Date& today);

// One hosting space or domain that runs out, with the record it belongs to.
struct RunOut {
    text::Date date;
    bool is_space;  // else the domain
    std::string number, name, address;
};

// Every space and domain due by `thresholds`, in the order they run out (a record may give
// both), read with the expiry list's statement on `query`.
std::vector<RunOut> ListRunOuts(TADOQuery& query, const Thresholds& thresholds);

// Runs a due count (the space or the domain statement) for a threshold date.
int CountDue(TADOQuery& query, std::string_view statement, const char* parameter, const text::Date& threshold);

}  // namespace sitora::data
