#pragma once
// The reminder of the window program: about a minute after the login, then once a day while it
// runs (the first check after a suspend or a change of date), what is due and not yet told
// on the desktop today goes to the desktop's notification service, else to the notification-area
// icon's message. The register is read on a thread with a connection of its own, so a large one
// never holds up the windows, whose counters and lists stay as the user left them.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <set>
#include <thread>

#include "base/text/dates.h"
#include "remind/due_now.h"
#include "ui/app_context.h"

class QSystemTrayIcon;

namespace sitora::ui {

class DueReminder : public QObject {
    Q_OBJECT
public:
    static constexpr int kFirstDelayMs = 60'000;
    static constexpr int kCheckEveryMs = 60'000;

    // `show_due_list` is what a click on the reminder does.
    DueReminder(AppContext& context, DesktopNotifier& notifier, QSystemTrayIcon* tray,
                std::function<void()> show_due_list, QObject* parent);
    ~DueReminder() override;

    void Start();  // after the login
    // Each check: a day not reminded of yet is reminded of (when the reminder is on); the
    // register is read off the window's thread and the reminder told when it has been.
    void Check();

signals:
    void Checked();  // a check has ended, told or not

private:
    bool Remind(const text::Date& today, const remind::DueNow& now);  // false: to be tried again

    AppContext& context_;
    DesktopNotifier& notifier_;
    QSystemTrayIcon* tray_;
    std::function<void()> show_due_list_;
    QTimer timer_;
    std::thread reader_;
    bool reading_ = false;
    std::optional<text::Date> reminded_day_;
    std::set<std::uint32_t> shown_;  // this program's notifications
};

}  // namespace sitora::ui
