#include "remind/chat_request.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include "base/text/json_string.h"

#include <cstdio>
#include <stdexcept>

namespace sitora::remind {
namespace {

using text::JsonString;

std::string HmacSha256Base64(std::string_view key, std::string_view message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), digest, &length))
        throw std::runtime_error("cannot sign the message");
    std::string encoded(4 * ((length + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()), digest, static_cast<int>(length));
    encoded.resize(static_cast<std::size_t>(written));
    return encoded;
}

std::string UrlEncoded(std::string_view text) {
    std::string out;
    for (const unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

// {"msgtype":"text","text":{"content":...}}: DingTalk's and WeCom's robots alike.
std::string TextMessage(const std::string& content) {
    return R"({"msgtype":"text","text":{"content":)" + JsonString(content) + "}}";
}

ChatRequest DingTalk(const ChatTarget& target, const std::string& content, std::int64_t now_ms) {
    ChatRequest request{target.url, TextMessage(content)};
    if (!target.secret.empty()) {
        // The robot's signature: HMAC-SHA256 of "timestamp\nsecret" keyed by the secret.
        const std::string timestamp = std::to_string(now_ms);
        const std::string sign = HmacSha256Base64(target.secret, timestamp + "\n" + target.secret);
        request.url += (target.url.find('?') == std::string::npos ? "?" : "&");
        request.url += "timestamp=" + timestamp + "&sign=" + UrlEncoded(sign);
    }
    return request;
}

ChatRequest Feishu(const ChatTarget& target, const std::string& content, std::int64_t now_ms) {
    std::string body = R"({"msg_type":"text","content":{"text":)" + JsonString(content) + "}";
    if (!target.secret.empty()) {
        // Feishu keys the HMAC with "timestamp\nsecret" and signs nothing: seconds, not milliseconds.
        const std::string timestamp = std::to_string(now_ms / 1000);
        body += R"(,"timestamp":)" + JsonString(timestamp) + R"(,"sign":)" +
                JsonString(HmacSha256Base64(timestamp + "\n" + target.secret, ""));
    }
    return {target.url, body + "}"};
}

}  // namespace


ChatRequest BuildChatRequest(const ChatTarget& target, const ReminderText& text, std::int64_t now_ms) {
    const std::string content = MessageText(text);
    switch (target.service) {
    case ChatService::kDingTalk: return DingTalk(target, content, now_ms);
    case ChatService::kWeCom: return {target.url, TextMessage(content)};
    case ChatService::kFeishu: return Feishu(target, content, now_ms);
    case ChatService::kWebhook:
    case ChatService::kEmail: break;  // e-mail is sent as a message of its own, never posted
    }
    return {target.url, R"({"title":)" + JsonString(text.summary) + R"(,"text":)" + JsonString(text.body) +
                            R"(,"overdue":)" + (text.overdue ? "true" : "false") + "}"};
}

}  // namespace sitora::remind
