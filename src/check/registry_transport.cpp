#include "check/registry_transport.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <mutex>

#include "check/failure_words.h"
#include "check/site_names.h"
#include "check/socket_io.h"

namespace sitora::check {
namespace {

struct Transfer {
    std::string body;
    int retry_after = -1;
    bool too_large = false;
    const StopFlag* stop = nullptr;
};

std::size_t KeepBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (transfer.body.size() + bytes > kLargestAnswer) {
        transfer.too_large = true;
        return 0;
    }
    transfer.body.append(data, bytes);
    return bytes;
}

std::size_t ReadHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    constexpr std::string_view kName = "retry-after:";
    if (line.size() > kName.size() && std::equal(kName.begin(), kName.end(), line.begin(), [](char a, char b) {
            return a == (b >= 'A' && b <= 'Z' ? b + 32 : b);
        })) {
        std::string_view value = line.substr(kName.size());
        while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        int seconds = -1;
        std::from_chars(value.data(), value.data() + value.size(), seconds);
        transfer.retry_after = seconds;
    }
    return size * count;
}

int CheckStop(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->stop->load() ? 1 : 0;
}

void InitialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool IsLiteralAddress(const std::string& host) {
    unsigned char bytes[16];
    return host.starts_with('[') || inet_pton(AF_INET, host.c_str(), bytes) == 1 || inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

struct UrlParts {
    std::string scheme, host, port;
};

std::optional<UrlParts> PartsOf(const std::string& url) {
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> handle(curl_url(), curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return std::nullopt;
    UrlParts parts;
    for (auto [part, into] : {std::pair{CURLUPART_SCHEME, &parts.scheme}, std::pair{CURLUPART_HOST, &parts.host}}) {
        char* value = nullptr;
        if (curl_url_get(handle.get(), part, &value, 0) != CURLUE_OK) return std::nullopt;
        *into = value;
        curl_free(value);
    }
    char* port = nullptr;
    if (curl_url_get(handle.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        parts.port = port;
        curl_free(port);
    }
    return parts;
}

}  // namespace

std::optional<std::string> UrlRefusal(const std::string& url) {
    const auto parts = PartsOf(url);
    if (!parts) return "网址无效：" + url.substr(0, 80);
    if (parts->scheme == "http" && !IsLoopbackHost(parts->host)) return "只接受 https 网址（本机地址除外）：" + url.substr(0, 80);
    if (parts->scheme != "https" && parts->scheme != "http") return "只接受 https 网址：" + url.substr(0, 80);
    return std::nullopt;
}

std::string AuthorityOf(const std::string& url) {
    const auto parts = PartsOf(url);
    return parts ? parts->host + ":" + parts->port : url;
}

std::vector<std::string> ResolveHost(const std::string& host) {
    std::vector<std::string> addresses;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return addresses;
    for (const addrinfo* at = found; at; at = at->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void* raw = at->ai_family == AF_INET ? static_cast<const void*>(&reinterpret_cast<sockaddr_in*>(at->ai_addr)->sin_addr)
                                                   : static_cast<const void*>(&reinterpret_cast<sockaddr_in6*>(at->ai_addr)->sin6_addr);
        if (inet_ntop(at->ai_family, raw, text, sizeof text)) addresses.emplace_back(text);
    }
    freeaddrinfo(found);
    return addresses;
}

bool IsInternalAddress(const std::string& address) {
    in_addr v4{};
    in6_addr v6{};
    std::uint32_t ip = 0;
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        ip = ntohl(v4.s_addr);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
        const unsigned char* b = v6.s6_addr;
        if (IN6_IS_ADDR_V4MAPPED(&v6)) {
            ip = static_cast<std::uint32_t>(b[12]) << 24 | b[13] << 16 | b[14] << 8 | b[15];
        } else {
            return IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6) || IN6_IS_ADDR_LINKLOCAL(&v6) ||
                   (b[0] & 0xFE) == 0xFC;
        }
    } else {
        return true;  // no address at all: never a place to go
    }
    const auto in = [ip](std::uint32_t network, int bits) { return (ip >> (32 - bits)) == (network >> (32 - bits)); };
    return in(0x7F000000, 8) || in(0x0A000000, 8) || in(0xAC100000, 12) || in(0xC0A80000, 16) || in(0xA9FE0000, 16) ||
           in(0x64400000, 10) || in(0x00000000, 8);
}

RedirectJudgement JudgeRedirect(const std::string& from, const std::string& to, const Resolver& resolve) {
    RedirectJudgement judgement;
    const auto origin = PartsOf(from);
    const auto target = PartsOf(to);
    if (!origin || !target || UrlRefusal(to)) {
        judgement.refused = UrlRefusal(to).value_or("网址无效：" + to.substr(0, 80));
        return judgement;
    }
    if (origin->scheme == "https" && target->scheme != "https") {
        judgement.refused = "不从 https 转到 http：" + to.substr(0, 80);
        return judgement;
    }
    const auto internal = [&resolve](const std::string& host, std::vector<std::string>* addresses) {
        std::string bare = host;
        if (bare.size() > 2 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
        std::vector<std::string> found = IsLiteralAddress(bare) ? std::vector<std::string>{bare} : resolve(bare);
        const bool any = std::any_of(found.begin(), found.end(), IsInternalAddress);
        if (addresses) *addresses = std::move(found);
        return any;
    };
    judgement.host = target->host;
    judgement.port = target->port;
    const bool to_internal = internal(target->host, &judgement.addresses);
    if (judgement.addresses.empty()) {
        judgement.refused = "无法解析主机名：" + target->host;
    } else if (to_internal && !internal(origin->host, nullptr)) {
        judgement.refused = "不转到本机或内网地址：" + target->host;
    }
    return judgement;
}

HttpReply HttpGet(const std::string& url, const StopFlag& stop, long timeout_ms, const RedirectJudgement* pinned) {
    HttpReply reply;
    if (auto refusal = UrlRefusal(url)) {
        reply.error = std::move(*refusal);
        return reply;
    }
    InitialiseOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        reply.error = "无法发送（libcurl）";
        return reply;
    }
    Transfer transfer;
    transfer.stop = &stop;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kLargestAnswer));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, KeepBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, ReadHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, CheckStop);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Sitora");
    curl_slist* headers = curl_slist_append(nullptr, "Accept: application/rdap+json, application/json");
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> header_list(headers, curl_slist_free_all);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    // A redirect's target is reached at the addresses it was judged by.
    curl_slist* resolve = nullptr;
    if (pinned && !pinned->addresses.empty() && !IsLiteralAddress(pinned->host)) {
        std::string entry = pinned->host + ":" + pinned->port + ":";
        for (std::size_t i = 0; i < pinned->addresses.size(); ++i) {
            const std::string& address = pinned->addresses[i];
            entry += (i ? "," : "") + (address.find(':') != std::string::npos ? "[" + address + "]" : address);
        }
        resolve = curl_slist_append(nullptr, entry.c_str());
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> resolve_list(resolve, curl_slist_free_all);
    if (resolve) curl_easy_setopt(handle, CURLOPT_RESOLVE, resolve);
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(handle);
    if (rc != CURLE_OK) {
        if (transfer.too_large || rc == CURLE_FILESIZE_EXCEEDED) reply.error = "应答过大";
        else if (rc == CURLE_ABORTED_BY_CALLBACK) reply.error = "已停止";
        else reply.error = CurlFailure(rc, error);
        return reply;
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply.status);
    char* location = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) reply.location = location;
    reply.body = std::move(transfer.body);
    reply.retry_after = transfer.retry_after;
    return reply;
}

WhoisReply AskWhois(const std::string& host, int port, const std::string& query, const StopFlag& stop, long timeout_ms) {
    WhoisReply reply;
    Connection connection(host, port, Clock::now() + std::chrono::milliseconds(timeout_ms), stop);
    if (!connection.IsOpen()) {
        reply.error = connection.Error();
        return reply;
    }
    if (!connection.SendAll(query + "\r\n") || !connection.ReadAll(reply.text, kLargestAnswer)) {
        reply.error = connection.Error();
        reply.text.clear();
    }
    return reply;
}

}  // namespace sitora::check
