#pragma once
// What is due now, the same for the window's reminder and sitora-cli: the spaces and domains
// within the register's lead times or run out, the last registry check's findings, and the
// earlier heads-ups of notify.conf's `days`.
#include <optional>
#include <string>
#include <vector>

#include "data/expiry_rules.h"
#include "remind/due_items.h"
#include "base/text/dates.h"

namespace sitora::remind {

// An item not yet within its lead time but within a heads-up's days: told once per stage.
struct HeadsUp {
    DueItem item;
    text::Date entered;  // the day it came within its stage's days
};

struct DueNow {
    std::vector<DueItem> due;  // told every day until renewed
    std::vector<HeadsUp> ahead;
    std::vector<int> heads_up_days;  // largest first
    std::optional<text::Date> last_check;  // the day of the check whose findings `due` carries
};

// Reads the lead times and the list on `query`. `heads_up_days` largest first (or empty).
// Throws DataError as ReadThresholds and ListRunOuts do.
DueNow ListDueNow(data::TADOQuery& query, const std::string& register_id, const text::Date& today,
                  const std::vector<int>& heads_up_days);

}  // namespace sitora::remind
