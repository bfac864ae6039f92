#include "ui/main/due_reminder.h"

#include <QSystemTrayIcon>
#include <memory>

#include "base/text/clock.h"
#include "remind/notify_config.h"
#include "remind/reminder_log.h"
#include "remind/reminder_text.h"

namespace sitora::ui {
namespace {

// The heads-ups of notify.conf, which the desktop shares with sitora-cli; a notify.conf that
// is refused gives none here (sitora-cli names its fault).
std::vector<int> HeadsUpDays(const std::string& program_folder) {
    try {
        return remind::ReadNotifyConfig(program_folder + remind::kNotifyConfigFile).heads_up_days;
    } catch (const remind::ConfigError&) {
        return {};
    }
}

}  // namespace

DueReminder::DueReminder(AppContext& context, DesktopNotifier& notifier, QSystemTrayIcon* tray,
                         std::function<void()> show_due_list, QObject* parent)
    : QObject(parent), context_(context), notifier_(notifier), tray_(tray), show_due_list_(std::move(show_due_list)) {
    setObjectName("DueReminder");
    notifier_.clicked = [this](std::uint32_t id) {
        if (shown_.contains(id)) show_due_list_();
    };
    if (tray_) connect(tray_, &QSystemTrayIcon::messageClicked, this, [this] { show_due_list_(); });
    connect(&timer_, &QTimer::timeout, this, &DueReminder::Check);
}

DueReminder::~DueReminder() {
    if (reader_.joinable()) reader_.join();
}

void DueReminder::Start() {
    if (timer_.isActive()) return;
    // The first reminder waits for the desktop's panel and notification service to come up.
    QTimer::singleShot(kFirstDelayMs, this, [this] {
        Check();
        timer_.start(kCheckEveryMs);
    });
}

void DueReminder::Check() {
    if (reading_) return;
    const text::Date today = text::Today();
    if (reminded_day_ == today || !remind::WindowRemindersOn()) {
        emit Checked();
        return;
    }
    reading_ = true;
    const std::string folder = context_.ProgramFolderBytes();
    reader_ = std::thread([this, today, folder] {
        auto now = std::make_shared<std::optional<remind::DueNow>>();
        try {
            data::TDataModule1 module;
            module.SetUpConnection(folder);
            data::TADOQuery query(module.ADOConnection1);
            *now = remind::ListDueNow(query, remind::RegisterIdOf(folder), today, HeadsUpDays(folder));
        } catch (const std::exception&) {
            // A register that cannot be read now is tried again at the next check.
        }
        QMetaObject::invokeMethod(
            this,
            [this, today, now] {
                reader_.join();
                reading_ = false;
                if (*now && Remind(today, **now)) reminded_day_ = today;
                emit Checked();
            },
            Qt::QueuedConnection);
    });
}

bool DueReminder::Remind(const text::Date& today, const remind::DueNow& now) {
    bool reached = false;
    try {
        if (now.due.empty() && now.ahead.empty()) return true;
        remind::ReminderLog log(remind::ReminderLog::DefaultPath());
        if (!log.Take(false)) return false;  // sitora-cli is telling right now
        // A log that could not be read is said once, with the reminder it cannot hold back.
        const QString set_aside = log.Problem() == remind::LogProblem::kNone
                                      ? QString()
                                      : QStringLiteral("\n（提醒记录无法读取，已重新开始记录）");
        const auto deliver = [&](const remind::ReminderText& text, std::uint32_t replaces) {
            const QString summary = QString::fromStdString(text.summary);
            const QString body = QString::fromStdString(text.body) + set_aside;
            const std::uint32_t id = notifier_.Notify(summary, body, text.overdue, replaces);
            reached = id != 0 || (tray_ && tray_->isVisible());
            if (id) {
                shown_.insert(id);
                return remind::Delivery{true, id};
            }
            if (!reached) return remind::Delivery{};  // nowhere to tell it
            tray_->showMessage(summary, body, text.overdue ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
            return remind::Delivery{true, 0};
        };
        const std::string register_id = remind::RegisterIdOf(context_.ProgramFolderBytes());
        remind::TellChannel(log, register_id, remind::kDesktopChannel, now, today, deliver);
        log.StartAfreshIfUnread();
        return true;
    } catch (const std::exception&) {
        // A reminder already shown whose log could not be written (a full disk) is not shown
        // every minute.
        return reached;
    }
}

}  // namespace sitora::ui
