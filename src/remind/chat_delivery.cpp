#include "remind/chat_delivery.h"

#include <curl/curl.h>

#include <charconv>
#include <memory>
#include <mutex>

namespace sitora::remind {
namespace {

constexpr std::size_t kLargestAnswer = 64 << 10;

std::size_t KeepAnswer(char* data, std::size_t size, std::size_t count, void* answer) {
    auto& kept = *static_cast<std::string*>(answer);
    const std::size_t bytes = size * count;
    if (kept.size() + bytes > kLargestAnswer) return 0;  // a flood ends the transfer
    kept.append(data, bytes);
    return bytes;
}

// The robots answer 200 with an error code of their own: {"errcode":310000,"errmsg":"..."}
// (DingTalk, WeCom) or {"code":19021,"msg":"..."} (Feishu). Nothing when it says success or
// says nothing of it.
std::optional<std::string> RobotError(const std::string& answer) {
    for (const char* key : {"\"errcode\"", "\"code\"", "\"StatusCode\""}) {
        std::size_t at = answer.find(key);
        if (at == std::string::npos) continue;
        at = answer.find(':', at);
        if (at == std::string::npos) continue;
        ++at;
        while (at < answer.size() && answer[at] == ' ') ++at;
        long code = 0;
        const auto [end, error] = std::from_chars(answer.data() + at, answer.data() + answer.size(), code);
        if (error == std::errc() && code != 0) return "服务返回错误：" + answer.substr(0, 300);
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::optional<std::string> PostChatRequest(const ChatRequest& request, long timeout_ms) {
    InitialiseCurlOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return "无法发送（libcurl）";
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json; charset=utf-8");
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> header_list(headers, curl_slist_free_all);
    std::string answer;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, KeepAnswer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "Sitora");
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(handle);
    if (rc != CURLE_OK) return std::string(rc == CURLE_OPERATION_TIMEDOUT ? "没有应答（超时）：" : "发送失败：") +
                              (*error ? error : curl_easy_strerror(rc));
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return "HTTP " + std::to_string(status);
    return RobotError(answer);
}

}  // namespace sitora::remind
