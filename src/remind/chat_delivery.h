#pragma once
// Posting a reminder to a chat service: one request, a timeout, no retries, so that a service
// that is down never holds cron or the window.
#include <optional>
#include <string>

#include "remind/chat_request.h"

namespace sitora::remind {

inline constexpr long kChatTimeoutMs = 10000;

// libcurl's global set-up, once per process and before any thread asks.
void InitialiseCurlOnce();

// Nothing when the service took the message; otherwise why not (no answer within the timeout,
// an HTTP error, or the robot's own error code and message).
std::optional<std::string> PostChatRequest(const ChatRequest& request, long timeout_ms = kChatTimeoutMs);

}  // namespace sitora::remind
