#pragma once
// The words of a reminder: one short Chinese summary of what is due, the same on the desktop and
// in a team's chat.
#include <optional>
#include <string>
#include <vector>

#include "data/expiry_rules.h"
#include "remind/due_items.h"
#include "base/text/dates.h"

namespace sitora::remind {

struct ReminderText {
    std::string summary;   // "3 个空间已过期，2 个域名将在 7 天内到期"
    std::string body;      // the first few addresses with their dates, one a line
    bool overdue = false;  // something has run out already
};

// For items due on `today` (at least one): what has run out counted apart from what runs out
// soon, and listed first. When the items carry a check's findings, the body ends by saying how
// old that check is (`last_check`).
ReminderText ComposeReminder(const std::vector<DueItem>& items, const text::Date& today,
                             const std::optional<text::Date>& last_check = {});

// Summary and body on separate lines, as a chat message carries them.
std::string MessageText(const ReminderText& text);

}  // namespace sitora::remind
