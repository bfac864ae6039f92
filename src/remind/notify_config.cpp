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

// A line of the file: where a fault is.
struct Where {
    const std::string& file;
    int line;
    ConfigError Fault(ConfigError::Kind kind, std::string text = {}) const { return {kind, file, line, std::move(text)}; }
};

using Kind = ConfigError::Kind;

ChatTarget ParseEmail(const std::vector<std::string>& words, const Where& where) {
    if (words.size() < 4) throw where.Fault(Kind::kEmailForm);
    const std::string& url = words[1];
    if (!url.starts_with("smtp://") && !url.starts_with("smtps://"))
        throw where.Fault(Kind::kMailServerScheme);  // the URL may hold a password: not quoted
    ChatTarget target{ChatService::kEmail, url, {}, words[2], {words.begin() + 3, words.end()}, 0};
    for (std::size_t i = 2; i < words.size(); ++i)
        if (!IsMailAddress(words[i])) throw where.Fault(Kind::kNotMailAddress, words[i]);
    return target;
}

ChatTarget ParseLine(const std::vector<std::string>& words, const Where& where) {
    const Service* known = nullptr;
    for (const Service& service : kServices)
        if (words[0] == service.name) known = &service;
    if (!known) throw where.Fault(Kind::kUnknownService, words[0]);
    if (known->service == ChatService::kEmail) return ParseEmail(words, where);
    if (words.size() < 2 || words.size() > (known->signs ? 3u : 2u))
        throw where.Fault(Kind::kServiceForm, std::string(known->name) + " URL" + (known->signs ? " [secret]" : ""));
    const std::string& url = words[1];
    if (!url.starts_with("https://") && !url.starts_with("http://")) throw where.Fault(Kind::kNotWebAddress, url);
    return {known->service, url, words.size() == 3 ? words[2] : std::string(), {}, {}, 0};
}

std::vector<int> ParseDays(const std::vector<std::string>& words, const Where& where) {
    if (words.size() < 2) throw where.Fault(Kind::kDaysForm);
    std::vector<int> days;
    for (std::size_t i = 1; i < words.size(); ++i) {
        int value = 0;
        const auto [end, error] = std::from_chars(words[i].data(), words[i].data() + words[i].size(), value);
        if (error != std::errc() || end != words[i].data() + words[i].size() || value < 1 || value > kLongestHeadsUp)
            throw where.Fault(Kind::kDaysOutOfRange, words[i]);
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

ConfigError::ConfigError(Kind kind, std::string file, int line, std::string text)
    : std::runtime_error("notify.conf fault"), kind(kind), file(std::move(file)), line(line), text(std::move(text)) {}

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
        throw ConfigError(Kind::kUnreadable, name);
    }
    struct stat status {};
    const bool private_file = fstat(fd, &status) == 0 && status.st_uid == getuid() && (status.st_mode & 077) == 0;
    close(fd);
    if (!private_file) throw ConfigError(Kind::kNotPrivate, name);
    const auto content = files::ReadWholeFile(file, true);
    if (!content || content->size() > kLargestConfig) throw ConfigError(Kind::kUnreadable, name);
    NotifyConfig config;
    std::size_t begin = 0;
    for (int line = 1; begin < content->size(); ++line) {
        std::size_t end = content->find('\n', begin);
        if (end == std::string::npos) end = content->size();
        const std::string_view text = text::TrimBlanks(std::string_view(*content).substr(begin, end - begin));
        begin = end + 1;
        if (text.empty() || text.front() == '#') continue;
        const Where where{name, line};
        const std::vector<std::string> words = Words(text);
        if (words[0] == "days") {
            if (!config.heads_up_days.empty()) throw where.Fault(Kind::kDaysTwice);
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
