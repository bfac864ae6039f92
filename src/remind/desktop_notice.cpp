#include "remind/desktop_notice.h"

#include <systemd/sd-bus.h>

#include <memory>

namespace sitora::remind {
namespace {

constexpr std::uint64_t kCallTimeoutUs = 5'000'000;
constexpr std::uint8_t kNormal = 1;
constexpr std::uint8_t kCritical = 2;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};

}  // namespace

std::optional<std::uint32_t> NotifyDesktop(const ReminderText& text, std::uint32_t replaces, std::string& why) {
    sd_bus* opened = nullptr;
    // The user's bus from DBUS_SESSION_BUS_ADDRESS or $XDG_RUNTIME_DIR/bus: never an X11
    // autolaunch, which fails under cron.
    if (sd_bus_open_user(&opened) < 0) {
        why = "没有会话总线";
        return std::nullopt;
    }
    const std::unique_ptr<sd_bus, BusCloser> bus(opened);
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeoutUs);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int rc = sd_bus_call_method(
        bus.get(), "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
        "Notify", &error, &reply, "susssasa{sv}i", "Sitora", replaces, "sitora", text.summary.c_str(),
        text.body.c_str(), 0, 2, "urgency", "y", text.overdue ? kCritical : kNormal, "desktop-entry", "s",
        kDesktopEntry, -1);
    const std::unique_ptr<sd_bus_message, MessageUnref> kept(reply);
    std::uint32_t id = 0;
    if (rc < 0 || sd_bus_message_read(reply, "u", &id) < 0) {
        why = std::string("没有通知服务") + (error.message ? std::string("：") + error.message : "");
        sd_bus_error_free(&error);
        return std::nullopt;
    }
    sd_bus_error_free(&error);
    return id;
}

}  // namespace sitora::remind
