#pragma once
// due --notify: the due items told once a day to the desktop and to the chats of notify.conf.
#include <string>
#include <vector>

#include "app/data/expiry_rules.h"
#include "app/text/dates.h"

namespace sitora::cli {

// Tells what of `items` this user was not told today; returns the exit code's part: 2 when a
// chat target failed (each reported on standard error with its line) or nothing could be told
// anywhere, 0 otherwise. Throws
// CommandError for a notify.conf that is refused, naming why; nothing is sent then.
int SendDueNotice(const std::string& program_folder, const std::vector<data::DueItem>& items, const text::Date& today);

}  // namespace sitora::cli
