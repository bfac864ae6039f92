#include "ui/main/due_reminder.h"

#include <QSystemTrayIcon>

#include "app/data/expiry_rules.h"
#include "app/text/clock.h"
#include "remind/check_findings.h"
#include "remind/reminder_log.h"
#include "remind/reminder_text.h"

namespace sitora::ui {

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

void DueReminder::Start() {
    if (timer_.isActive()) return;
    // The first reminder waits for the desktop's panel and notification service to come up.
    QTimer::singleShot(kFirstDelayMs, this, [this] {
        Check();
        timer_.start(kCheckEveryMs);
    });
}

void DueReminder::Check() {
    if (!remind::WindowRemindersOn()) return;
    const text::Date today = text::Today();
    if (reminded_day_ == today) return;
    if (Remind(today)) reminded_day_ = today;
}

bool DueReminder::Remind(const text::Date& today) {
    bool reached = false;
    try {
        data::TADOQuery query(context_.DataModule1.ADOConnection1);
        const data::Thresholds thresholds = data::ReadThresholds(query, today);
        auto items = data::ListDueItems(query, thresholds);
        const std::string register_id = remind::RegisterIdOf(context_.ProgramFolderBytes());
        const auto findings = remind::CheckFindingsDue(register_id, thresholds);
        items.insert(items.end(), findings.begin(), findings.end());
        if (items.empty()) return true;
        remind::ReminderLog log(remind::ReminderLog::DefaultPath());
        if (!log.Take(false)) return false;  // sitora-cli is telling right now
        const auto deliver = [this, &reached](const remind::ReminderText& text, std::uint32_t replaces) {
            const QString summary = QString::fromStdString(text.summary);
            const QString body = QString::fromStdString(text.body);
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
        remind::Delivery delivery;
        remind::TellUntold(log, register_id, items, today, deliver, delivery);
        return true;
    } catch (const std::exception&) {
        // A register or log that cannot be read now is tried again at the next check; a reminder
        // already shown whose log could not be written (a full disk) is not shown every minute.
        return reached;
    }
}

}  // namespace sitora::ui
