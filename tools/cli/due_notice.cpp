#include "due_notice.h"

#include <chrono>
#include <iostream>

#include "register_access.h"
#include "remind/chat_delivery.h"
#include "remind/desktop_notice.h"
#include "remind/mail_delivery.h"
#include "remind/reminder_log.h"
#include "translation.h"

namespace sitora::cli {
namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const char* ProblemText(remind::LogProblem problem) {
    switch (problem) {
    case remind::LogProblem::kNone: break;
    case remind::LogProblem::kDamaged: return Tr("it is damaged");
    case remind::LogProblem::kTooBig: return Tr("it is too large");
    case remind::LogProblem::kNewerForm: return Tr("a newer version of the program wrote it");
    case remind::LogProblem::kNotAFile: return Tr("it is not a regular file");
    }
    return "";
}

// A fault of notify.conf in the user's words.
std::string ConfigFaultText(const remind::ConfigError& fault) {
    using Kind = remind::ConfigError::Kind;
    std::string what;
    switch (fault.kind) {
    case Kind::kUnreadable: return Fill(Tr("cannot read %s"), {fault.file});
    case Kind::kNotPrivate: return Fill(Tr("%s must be readable and writable by you alone (chmod 600 %s)"), {fault.file, fault.file});
    case Kind::kUnknownService:
        what = Fill(Tr("unknown service %s (known: dingtalk, wecom, feishu, webhook, email, days)"), {fault.text});
        break;
    case Kind::kServiceForm: what = Fill(Tr("expected: %s"), {fault.text}); break;
    case Kind::kNotWebAddress: what = Fill(Tr("%s is no http:// or https:// address"), {fault.text}); break;
    case Kind::kEmailForm: what = Fill(Tr("expected: %s"), {"email smtp[s]://HOST[:PORT] FROM TO..."}); break;
    case Kind::kMailServerScheme: what = Tr("the mail server must be an smtp:// or smtps:// address"); break;
    case Kind::kNotMailAddress: what = Fill(Tr("%s is no e-mail address"), {fault.text}); break;
    case Kind::kDaysForm: what = Fill(Tr("expected: %s"), {"days DAYS [DAYS...]"}); break;
    case Kind::kDaysOutOfRange:
        what = Fill(Tr("%s is no number of days from 1 to %s"), {fault.text, std::to_string(remind::kLongestHeadsUp)});
        break;
    case Kind::kDaysTwice: what = Tr("days may be given on one line only"); break;
    }
    return Fill(Tr("%s line %s: %s"), {fault.file, std::to_string(fault.line), what});
}

std::optional<std::string> Deliver(const remind::ChatTarget& target, const remind::ReminderText& text) {
    if (target.service == remind::ChatService::kEmail)
        return remind::SendMail(target, remind::MailMessage(target, text, NowMs() / 1000));
    return remind::PostChatRequest(remind::BuildChatRequest(target, text, NowMs()));
}

}  // namespace

remind::NotifyConfig ReadNotifyConfig(const std::string& program_folder) {
    try {
        return remind::ReadNotifyConfig(program_folder + remind::kNotifyConfigFile);
    } catch (const remind::ConfigError& fault) {
        throw CommandError(ConfigFaultText(fault));
    }
}

int SendDueNotice(const std::string& program_folder, const remind::NotifyConfig& config, const remind::DueNow& now,
                  const text::Date& today) {
    const std::string register_id = remind::RegisterIdOf(program_folder);
    remind::ReminderLog log(remind::ReminderLog::DefaultPath());
    log.Take(true);  // the window telling at this moment waits, and then finds the desktop told
    if (log.Problem() != remind::LogProblem::kNone)
        std::cerr << "sitora-cli: "
                  << Fill(Tr("the reminder log %s could not be read (%s): everything due is told, and a new log is "
                             "begun"),
                          {remind::ReminderLog::DefaultPath().string(), ProblemText(log.Problem())})
                  << "\n";
    int exit_code = 0;
    bool told_somewhere = false;  // reached now, or already told today
    std::string why;
    const remind::Telling desktop = remind::TellChannel(
        log, register_id, remind::kDesktopChannel, now, today,
        [&](const remind::ReminderText& text, std::uint32_t replaces) {
            const auto notification = remind::NotifyDesktop(text, replaces, why);
            return remind::Delivery{notification.has_value(), notification.value_or(0)};
        });
    told_somewhere = desktop != remind::Telling::kNotReached;
    for (const remind::ChatTarget& target : config.targets) {
        const remind::Telling telling = remind::TellChannel(
            log, register_id, remind::ChannelId(target), now, today,
            [&](const remind::ReminderText& text, std::uint32_t) {
                const auto failure = Deliver(target, text);
                if (failure) {
                    std::cerr << "sitora-cli: "
                              << Fill(Tr("%s line %s (%s): %s"), {remind::kNotifyConfigFile, std::to_string(target.line),
                                                                  remind::ServiceName(target.service), *failure})
                              << "\n";
                    exit_code = 2;
                }
                return remind::Delivery{!failure, 0};
            });
        told_somewhere = told_somewhere || telling != remind::Telling::kNotReached;
    }
    log.StartAfreshIfUnread();
    if (!told_somewhere) {
        // A job that tells nobody is a failure; it tells at the next run.
        std::cerr << "sitora-cli: "
                  << Fill(config.targets.empty() ? Tr("the reminder reached nobody: %s; notify.conf names no chat either")
                                                 : Tr("the reminder reached nobody: %s"),
                          {why})
                  << "\n";
        return 2;
    }
    return exit_code;
}

}  // namespace sitora::cli
