#pragma once
// The reminder on the desktop, from a program without a window (sitora-cli): one call to the
// session's org.freedesktop.Notifications, which replaces the previous reminder in place.
#include <cstdint>
#include <optional>
#include <string>

#include "remind/reminder_text.h"

namespace sitora::remind {

// The action a click on the window program's notification sends back ("default", shown as "查看").
// sitora-cli's offers none: nobody would answer it once the command has ended.
inline constexpr const char* kShowAction = "default";
// The installed desktop entry, which the notification service shows the reminder under.
inline constexpr const char* kDesktopEntry = "org.sitora.Sitora";

// The notification's id; nothing when no session bus is reachable (cron without a desktop) or
// no notification service answers within a few seconds, with the reason in `why`.
std::optional<std::uint32_t> NotifyDesktop(const ReminderText& text, std::uint32_t replaces, std::string& why);

}  // namespace sitora::remind
