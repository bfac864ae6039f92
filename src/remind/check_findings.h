#pragma once
// What the last registry check found that the reminders carry on: certificates with their run-out
// dates and domains whose registry date is earlier than the register's. Kept per user and register
// in the state folder, replaced by each check.
#include <optional>
#include <string>
#include <vector>

#include "check/site_check.h"
#include "data/expiry_rules.h"
#include "remind/due_items.h"

namespace sitora::remind {

// What the reminders carry on from a check: each site's certificate run-out date, and each registry
// date earlier than the register's.
std::vector<DueItem> FindingsToCarry(const std::vector<check::RecordFinding>& findings);

// Replaces what was kept for `register_id` (only for `only_address` when given) by `items`
// (kinds kCertificate and kRegistryEarlier), found by a check on `checked_on`: the day a check of
// the whole register ran is kept with them. False when it cannot be written.
bool KeepCheckFindings(const std::string& register_id, const std::vector<DueItem>& items,
                       const text::Date& checked_on, const std::optional<std::string>& only_address = {});

// The day the last check of the whole register ran; nothing when none is known.
std::optional<text::Date> LastCheckOf(const std::string& register_id);

// The kept findings of `register_id` that are due: certificates by the space threshold, an earlier
// registry date always.
std::vector<DueItem> CheckFindingsDue(const std::string& register_id, const data::Thresholds& thresholds);

}  // namespace sitora::remind
