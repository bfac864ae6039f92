#pragma once
// due --notify: what is due told once a day to each channel: the desktop and every line of
// notify.conf (chat robots, e-mail), with the earlier heads-ups of its `days`.
#include <string>

#include "base/text/dates.h"
#include "remind/due_now.h"
#include "remind/notify_config.h"

namespace sitora::cli {

// notify.conf of the program folder; throws CommandError naming why it is refused.
remind::NotifyConfig ReadNotifyConfig(const std::string& program_folder);

// Tells each channel what of `now` it was not told today; returns the exit code's part: 2 when
// a chat or mailbox failed (each reported on standard error with its line) or nothing could be
// told anywhere, 0 otherwise.
int SendDueNotice(const std::string& program_folder, const remind::NotifyConfig& config, const remind::DueNow& now,
                  const text::Date& today);

}  // namespace sitora::cli
