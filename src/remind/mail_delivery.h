#pragma once
// A reminder by e-mail: one plain-text UTF-8 message through libcurl's SMTP, within the same
// time as a chat robot's post, never printing the password the URL may hold.
#include <cstdint>
#include <optional>
#include <string>

#include "remind/chat_delivery.h"
#include "remind/notify_config.h"
#include "remind/reminder_text.h"

namespace sitora::remind {

// The message as RFC 5322 writes it, lines ending in CRLF: an encoded Subject, a Date of
// `now_seconds` (since 1970) in the local zone, a Message-ID, and the text in base64.
std::string MailMessage(const ChatTarget& target, const ReminderText& text, std::int64_t now_seconds);

// Nothing when the server took the message for every recipient; otherwise why not. smtp:// to a
// host other than 127.0.0.1 or ::1 requires STARTTLS; smtps:// is TLS from the start.
std::optional<std::string> SendMail(const ChatTarget& target, const std::string& message,
                                    long timeout_ms = kChatTimeoutMs);

}  // namespace sitora::remind
