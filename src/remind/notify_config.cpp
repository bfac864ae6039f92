#include "remind/notify_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "app/files/file_ops.h"
#include "app/text/byte_strings.h"

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
                                 {"webhook", ChatService::kWebhook, false}};

std::vector<std::string> Words(std::string_view line) {
    std::istringstream in{std::string(line)};
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

ChatTarget ParseLine(const std::vector<std::string>& words, const std::string& where) {
    const Service* known = nullptr;
    for (const Service& service : kServices)
        if (words[0] == service.name) known = &service;
    if (!known) throw ConfigError(where + "：不认识的服务 " + words[0] + "（可用 dingtalk、wecom、feishu、webhook）");
    if (words.size() < 2 || words.size() > (known->signs ? 3u : 2u))
        throw ConfigError(where + "：应为 " + known->name + " URL" + (known->signs ? " [secret]" : ""));
    const std::string& url = words[1];
    if (!url.starts_with("https://") && !url.starts_with("http://"))
        throw ConfigError(where + "：" + url + " 不是 http:// 或 https:// 地址");
    return {known->service, url, words.size() == 3 ? words[2] : std::string(), 0};
}

}  // namespace

const char* ServiceName(ChatService service) {
    for (const Service& known : kServices)
        if (known.service == service) return known.name;
    return "?";
}

std::vector<ChatTarget> ReadNotifyConfig(const std::filesystem::path& file) {
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
    std::vector<ChatTarget> targets;
    std::size_t begin = 0;
    for (int line = 1; begin < content->size(); ++line) {
        std::size_t end = content->find('\n', begin);
        if (end == std::string::npos) end = content->size();
        const std::string_view text = text::TrimBlanks(std::string_view(*content).substr(begin, end - begin));
        begin = end + 1;
        if (text.empty() || text.front() == '#') continue;
        ChatTarget target = ParseLine(Words(text), name + " 第 " + std::to_string(line) + " 行");
        target.line = line;
        targets.push_back(std::move(target));
    }
    return targets;
}

}  // namespace sitora::remind
