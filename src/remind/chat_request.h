#pragma once
// What a reminder becomes for each chat service: the address to post to and the JSON body,
// signed as DingTalk's and Feishu's robots want when a secret is given.
#include <cstdint>
#include <string>

#include "remind/notify_config.h"
#include "remind/reminder_text.h"

namespace sitora::remind {

struct ChatRequest {
    std::string url;
    std::string body;  // JSON, UTF-8
};

// `now_ms`: milliseconds since 1970, the time the signature vouches for.
ChatRequest BuildChatRequest(const ChatTarget& target, const ReminderText& text, std::int64_t now_ms);

}  // namespace sitora::remind
