#include "ui/toolkit/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include "remind/desktop_notice.h"

namespace sitora::ui {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kCallTimeoutMs = 5000;

}  // namespace

DesktopNotifications::DesktopNotifications() {
    QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked", this,
                                          SLOT(OnActionInvoked(uint, QString)));
}

std::uint32_t DesktopNotifications::Notify(const QString& summary, const QString& body, bool critical,
                                           std::uint32_t replaces) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return 0;
    QDBusInterface service(kService, kPath, kService, bus);
    service.setTimeout(kCallTimeoutMs);
    const QVariantMap hints{{"urgency", QVariant::fromValue<uchar>(critical ? 2 : 1)},
                            {"desktop-entry", QString::fromLatin1(remind::kDesktopEntry)}};
    const QDBusReply<uint> id =
        service.call("Notify", QStringLiteral("Sitora"), uint{replaces}, QStringLiteral("sitora"), summary, body,
                     QStringList{remind::kShowAction, QStringLiteral("查看")}, hints, -1);
    return id.isValid() ? id.value() : 0;
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& action) {
    if (action == remind::kShowAction && clicked) clicked(id);
}

}  // namespace sitora::ui
