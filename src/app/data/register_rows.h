#pragma once
// A whole register as rows of values, NULL kept apart from empty text: what a conversion
// carries from another program's register into a new register file.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sitora::data {

using Cell = std::optional<std::string>;  // NULL, or text / account bytes / stored date

struct RegisterRows {
    std::vector<std::vector<Cell>> records;       // by kRecordColumns, in table order
    std::vector<std::pair<Cell, Cell>> settings;  // t_set: web_alarm, domain_alarm
};

}  // namespace sitora::data
