#pragma once
// notify.conf in the program folder: where a reminder goes besides the desktop, one a line,
//   dingtalk URL [secret] | wecom URL | feishu URL [secret] | webhook URL
//   email smtp[s]://[user:password@]HOST[:PORT] FROM TO [TO...]
// and the earlier heads-ups, `days N [N...]`, with blank lines and "#" comments. It holds robot
// addresses, secrets and mail passwords, so it is refused unless only its owner can read or
// change it, as the carriers are kept.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace sitora::remind {

enum class ChatService { kDingTalk, kWeCom, kFeishu, kWebhook, kEmail };

struct ChatTarget {
    ChatService service;
    std::string url;
    std::string secret;           // empty: unsigned requests
    std::string from;             // e-mail: the sender
    std::vector<std::string> to;  // e-mail: the recipients
    int line = 0;                 // where notify.conf names it
};

struct NotifyConfig {
    std::vector<ChatTarget> targets;
    std::vector<int> heads_up_days;  // `days`: largest first, none when not given
};

// What is wrong with notify.conf, as a value each face words in its user's language.
struct ConfigError : std::runtime_error {
    enum class Kind {
        kUnreadable,       // `file` cannot be read
        kNotPrivate,       // others may read or change `file`
        kUnknownService,   // `text`: the service named
        kServiceForm,      // `text`: the form the line should have ("wecom URL")
        kNotWebAddress,    // `text`: the URL
        kEmailForm,
        kMailServerScheme,
        kNotMailAddress,   // `text`: the address
        kDaysForm,
        kDaysOutOfRange,   // `text`: the word
        kDaysTwice,
    };
    ConfigError(Kind kind, std::string file, int line = 0, std::string text = {});

    Kind kind;
    std::string file;
    int line;          // 0: the file as a whole
    std::string text;  // the offending text, as written
};

inline constexpr const char* kNotifyConfigFile = "notify.conf";
inline constexpr int kLongestHeadsUp = 366;

// The content of `file`; nothing in it when it does not exist. Throws ConfigError naming the
// file and line for a file others can read or change, a service it does not know, a URL of the
// wrong scheme, a secret where the service signs nothing, an e-mail line without sender or
// recipient, or a `days` that is no whole number from 1 to 366.
NotifyConfig ReadNotifyConfig(const std::filesystem::path& file);

const char* ServiceName(ChatService service);

// What the reminder log calls the channel of `target`: its service and a digest of where it
// goes, so that moving a line keeps what it was told and its secrets never reach the log.
std::string ChannelId(const ChatTarget& target);

}  // namespace sitora::remind
