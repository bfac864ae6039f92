#pragma once
// A whole register as rows of values, NULL kept apart from empty text: what a conversion
// carries from one register into a new one.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sitora::data {

using Cell = std::optional<std::string>;  // NULL, or text / account bytes / stored date

struct RegisterRows {
    std::vector<std::string> ids;                 // each record's id, when the rows keep theirs
    std::vector<std::vector<Cell>> records;       // by kRecordColumns, in table order
    std::vector<std::pair<Cell, Cell>> settings;  // t_set: web_alarm, domain_alarm
    std::optional<std::string> wrapped_key;       // t_key: the register key, wrapped
};

}  // namespace sitora::data
