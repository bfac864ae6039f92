#pragma once
// The reminder of the window program: about a minute after the login, then once a day while it
// runs (the first check after a suspend or a change of date), what is due and not yet told
// today goes to the desktop's notification service, else to the notification-area icon's
// message. It reads the register with a query of its own: the windows and their counters stay
// as the user left them.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>
#include <set>

#include "app/text/dates.h"
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

    void Start();  // after the login
    // Each check: a day not reminded of yet is reminded of (when the reminder is on).
    void Check();

private:
    bool Remind(const text::Date& today);  // false: to be tried again at the next check

    AppContext& context_;
    DesktopNotifier& notifier_;
    QSystemTrayIcon* tray_;
    std::function<void()> show_due_list_;
    QTimer timer_;
    std::optional<text::Date> reminded_day_;
    std::set<std::uint32_t> shown_;  // this program's notifications
};

}  // namespace sitora::ui
