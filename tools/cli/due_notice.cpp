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
    int exit_code = 0;
    std::string why;
    remind::Delivery delivery;
    const auto deliver = [&](const remind::ReminderText& text, std::uint32_t replaces) {
        const auto notification = remind::NotifyDesktop(text, replaces, why);
        remind::Delivery done{notification.has_value(), notification.value_or(0)};
        for (const remind::ChatTarget& target : targets) {
            const auto failure = remind::PostChatRequest(remind::BuildChatRequest(target, text, NowMs()));
            if (failure) {
                std::cerr << "sitora-cli: " << remind::kNotifyConfigFile << " 第 " << target.line << " 行（"
                          << remind::ServiceName(target.service) << "）：" << *failure << "\n";
                exit_code = 2;
            }
            done.reached = done.reached || !failure;
        }
        return done;
    };
    if (remind::TellUntold(log, register_id, items, today, deliver, delivery) && !delivery.reached) {
        // A job that tells nobody is a failure; it tells at the next run.
        std::cerr << "sitora-cli: 提醒没有送达：" << why << (targets.empty() ? "，notify.conf 中也没有群聊" : "") << "\n";
        return 2;
    }
    return exit_code;
}

}  // namespace sitora::cli
