#include "remind/notify_config.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <functional>
#include <sstream>

#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"

namespace sitora::remind {
namespace {

constexpr std::size_t kLargestConfig = 64 << 10;

struct Service {
    const char* name;
    ChatService service;
    bool signs;
};
constexpr Service kServices[] = {{"dingtalk", ChatService::kDingTalk, true},
                                 {"wecom", ChatService::kWeCom, false},
                                 {"feishu", ChatService::kFeishu, true},
                                 {"webhook", ChatService::kWebhook, false},
                                 {"email", ChatService::kEmail, false}};

std::vector<std::string> Words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// An address as SMTP's MAIL FROM and RCPT TO carry it: local@domain, nothing that could end or
// bend the command.
bool IsMailAddress(const std::string& address) {
    const std::size_t at = address.find('@');
    return at != std::string::npos && at > 0 && at + 1 < address.size() &&
           address.find_first_of("<>\"(),;:\\[]", 0) == std::string::npos &&
           std::all_of(address.begin(), address.end(), [](unsigned char c) { return c > 32 && c != 127; });
}

ChatTarget ParseEmail(const std::vector<std::string>& words, const std::string& where) {
    if (words.size() < 4) throw ConfigError(where + "：应为 email smtp[s]://主机[:端口] 发件人 收件人…");
    const std::string& url = words[1];
    if (!url.starts_with("smtp://") && !url.starts_with("smtps://"))
        throw ConfigError(where + "：邮件服务器须是 smtp:// 或 smtps:// 地址");  // the URL may hold a password
    ChatTarget target{ChatService::kEmail, url, {}, words[2], {words.begin() + 3, words.end()}, 0};
    for (std::size_t i = 2; i < words.size(); ++i)
        if (!IsMailAddress(words[i])) throw ConfigError(where + "：" + words[i] + " 不是电子邮件地址");
    return target;
}

ChatTarget ParseLine(const std::vector<std::string>& words, const std::string& where) {
    const Service* known = nullptr;
    for (const Service& service : kServices)
        if (words[0] == service.name) known = &service;
    if (!known)
        throw ConfigError(where + "：不认识的服务 " + words[0] + "（可用 dingtalk、wecom、feishu、webhook、email、days）");
    if (known->service == ChatService::kEmail) return ParseEmail(words, where);
    if (words.size() < 2 || words.size() > (known->signs ? 3u : 2u))
        throw ConfigError(where + "：应为 " + known->name + " URL" + (known->signs ? " [secret]" : ""));
    const std::string& url = words[1];
    if (!url.starts_with("https://") && !url.starts_with("http://"))
        throw ConfigError(where + "：" + url + " 不是 http:// 或 https:// 地址");
    return {known->service, url, words.size() == 3 ? words[2] : std::string(), {}, {}, 0};
}

std::vector<int> ParseDays(const std::vector<std::string>& words, const std::string& where) {
    if (words.size() < 2) throw ConfigError(where + "：应为 days 天数 [天数…]");
    std::vector<int> days;
    for (std::size_t i = 1; i < words.size(); ++i) {
        int value = 0;
        const auto [end, error] = std::from_chars(words[i].data(), words[i].data() + words[i].size(), value);
        if (error != std::errc() || end != words[i].data() + words[i].size() || value < 1 || value > kLongestHeadsUp)
            throw ConfigError(where + "：" + words[i] + " 不是 1 到 " + std::to_string(kLongestHeadsUp) + " 之间的天数");
        days.push_back(value);
    }
    return days;
}

std::string HexDigest(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < 8 && i < length; ++i) hex += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
    return hex;
}

}  // namespace

const char* ServiceName(ChatService service) {
    for (const Service& known : kServices)
        if (known.service == service) return known.name;
    return "?";
}

std::string ChannelId(const ChatTarget& target) {
    std::string where = target.url;
    for (const std::string& recipient : target.to) where += "\n" + recipient;
    return std::string(ServiceName(target.service)) + ":" + HexDigest(where);
}

NotifyConfig ReadNotifyConfig(const std::filesystem::path& file) {
    const std::string name = file.string();
    const int fd = files::OpenRegularFile(file, O_RDONLY | O_NOFOLLOW);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        throw ConfigError("无法读取 " + name);
    }
    struct stat status {};
    const bool private_file = fstat(fd, &status) == 0 && status.st_uid == getuid() && (status.st_mode & 077) == 0;
    close(fd);
    if (!private_file) throw ConfigError(name + " 须只有本人能读写（chmod 600 " + name + "）");
    const auto content = files::ReadWholeFile(file, true);
    if (!content || content->size() > kLargestConfig) throw ConfigError("无法读取 " + name);
    NotifyConfig config;
    std::size_t begin = 0;
    for (int line = 1; begin < content->size(); ++line) {
        std::size_t end = content->find('\n', begin);
        if (end == std::string::npos) end = content->size();
        const std::string_view text = text::TrimBlanks(std::string_view(*content).substr(begin, end - begin));
        begin = end + 1;
        if (text.empty() || text.front() == '#') continue;
        const std::string where = name + " 第 " + std::to_string(line) + " 行";
        const std::vector<std::string> words = Words(text);
        if (words[0] == "days") {
            if (!config.heads_up_days.empty()) throw ConfigError(where + "：days 只能写一行");
            config.heads_up_days = ParseDays(words, where);
            continue;
        }
        ChatTarget target = ParseLine(words, where);
        target.line = line;
        config.targets.push_back(std::move(target));
    }
    std::sort(config.heads_up_days.begin(), config.heads_up_days.end(), std::greater<>());
    config.heads_up_days.erase(std::unique(config.heads_up_days.begin(), config.heads_up_days.end()),
                               config.heads_up_days.end());
    return config;
}

}  // namespace sitora::remind
