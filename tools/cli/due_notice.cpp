#include "due_notice.h"

#include <chrono>
#include <iostream>

#include "register_access.h"
#include "remind/chat_delivery.h"
#include "remind/desktop_notice.h"
#include "remind/notify_config.h"
#include "remind/reminder_log.h"

namespace sitora::cli {
namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int SendDueNotice(const std::string& program_folder, const std::vector<data::DueItem>& items, const text::Date& today) {
    std::vector<remind::ChatTarget> targets;
    try {
        targets = remind::ReadNotifyConfig(program_folder + remind::kNotifyConfigFile);
    } catch (const remind::ConfigError& error) {
        throw CommandError(error.what());
    }
    const std::string register_id = remind::RegisterIdOf(program_folder);
    remind::ReminderLog log(remind::ReminderLog::DefaultPath());
    log.Take(true);  // the window telling at this moment waits, and then finds this told
    const std::vector<data::DueItem> untold = log.Untold(register_id, items, today);
    if (untold.empty()) return 0;

    const remind::ReminderText text = remind::ComposeReminder(untold, today);
    std::string why;
    const auto notification = remind::NotifyDesktop(text, log.LastNotification(), why);
    bool told = notification.has_value();
    int exit_code = 0;
    for (const remind::ChatTarget& target : targets) {
        const auto failure = remind::PostChatRequest(remind::BuildChatRequest(target, text, NowMs()));
        if (failure) {
            std::cerr << "sitora-cli: " << remind::kNotifyConfigFile << " 第 " << target.line << " 行（"
                      << remind::ServiceName(target.service) << "）：" << *failure << "\n";
            exit_code = 2;
        }
        told = told || !failure;
    }
    if (!told) {
        // What reached nobody is told again at the next run; a job that tells nobody is a failure.
        std::cerr << "sitora-cli: 提醒没有送达：" << why << (targets.empty() ? "，notify.conf 中也没有群聊" : "") << "\n";
        return 2;
    }
    log.RecordTold(register_id, untold, today, notification.value_or(0));
    return exit_code;
}

}  // namespace sitora::cli
