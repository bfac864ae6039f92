#include "check/registry_transport.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>
#include <mutex>

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

bool IsAllowedUrl(const std::string& url, std::string* why) {
    const auto parts = PartsOf(url);
    std::string reason;
    if (!parts) reason = "网址无效：" + url.substr(0, 80);
    else if (parts->scheme == "http" && !IsLoopbackHost(parts->host)) reason = "只接受 https 网址（本机地址除外）：" + url.substr(0, 80);
    else if (parts->scheme != "https" && parts->scheme != "http") reason = "只接受 https 网址：" + url.substr(0, 80);
    if (why) *why = reason;
    return reason.empty();
}

std::string AuthorityOf(const std::string& url) {
    const auto parts = PartsOf(url);
    return parts ? parts->host + ":" + parts->port : url;
}

HttpReply HttpGet(const std::string& url, const StopFlag& stop, long timeout_ms) {
    HttpReply reply;
    if (!IsAllowedUrl(url, &reply.error)) return reply;
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
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(handle);
    if (rc != CURLE_OK) {
        if (transfer.too_large || rc == CURLE_FILESIZE_EXCEEDED) reply.error = "应答过大";
        else if (rc == CURLE_ABORTED_BY_CALLBACK) reply.error = "已停止";
        else if (rc == CURLE_OPERATION_TIMEDOUT) reply.error = "没有应答（超时）";
        else reply.error = std::string("请求失败：") + (*error ? error : curl_easy_strerror(rc));
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
