#pragma once
// Reminders through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), with a click on one reported back.
#include <QObject>

#include "ui/toolkit/services.h"

namespace sitora::ui {

class DesktopNotifications : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    DesktopNotifications();
    std::uint32_t Notify(const QString& summary, const QString& body, bool critical, std::uint32_t replaces) override;

private slots:
    void OnActionInvoked(uint id, const QString& action);
};

}  // namespace sitora::ui
