#pragma once
// notify.conf in the program folder: the team chats a reminder goes to, one a line,
//   dingtalk URL [secret] | wecom URL | feishu URL [secret] | webhook URL
// with blank lines and "#" comments. It holds robot addresses and secrets, so it is refused
// unless only its owner can read or change it, as the carriers are kept.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sitora::remind {

enum class ChatService { kDingTalk, kWeCom, kFeishu, kWebhook };

struct ChatTarget {
    ChatService service;
    std::string url;
    std::string secret;  // empty: unsigned requests
    int line = 0;        // where notify.conf names it
};

struct ConfigError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kNotifyConfigFile = "notify.conf";

// The targets of `file`; none when it does not exist. Throws ConfigError naming the file and
// line for a file others can read or change, a service it does not know, a URL that is no
// http:// or https:// address, or a secret where the service signs nothing.
std::vector<ChatTarget> ReadNotifyConfig(const std::filesystem::path& file);

const char* ServiceName(ChatService service);

}  // namespace sitora::remind
