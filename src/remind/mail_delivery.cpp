#include "remind/mail_delivery.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <ctime>
#include <memory>

namespace sitora::remind {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Base64(std::string_view bytes) {
    std::string encoded(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(encoded.data()),
                                        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    encoded.resize(static_cast<std::size_t>(written));
    return encoded;
}

// "=?UTF-8?B?...?=" words of at most 75 characters, cut between characters, folded onto lines
// of their own (RFC 2047).
std::string EncodedHeader(std::string_view text) {
    constexpr std::size_t kBytesPerWord = 45;
    std::string header;
    while (!text.empty()) {
        std::size_t take = std::min(kBytesPerWord, text.size());
        while (take < text.size() && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) --take;
        header += (header.empty() ? "" : "\r\n ") + std::string("=?UTF-8?B?") + Base64(text.substr(0, take)) + "?=";
        text.remove_prefix(take);
    }
    return header;
}

// The date in RFC 5322's own English names, whatever the user's locale.
std::string MailDate(std::int64_t now_seconds) {
    const std::time_t now = static_cast<std::time_t>(now_seconds);
    std::tm local{};
    localtime_r(&now, &local);
    const long offset_minutes = local.tm_gmtoff / 60;
    const long offset = std::labs(offset_minutes);
    char date[64];
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kWeekdays[local.tm_wday],
                  local.tm_mday, kMonths[local.tm_mon], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                  offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return date;
}

std::string MessageId(const ChatTarget& target) {
    unsigned char random[16];
    if (RAND_bytes(random, sizeof random) != 1) throw std::runtime_error("no random bytes for a Message-ID");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (unsigned char byte : random) id += {kHex[byte >> 4], kHex[byte & 15]};
    return "<" + id + "." + target.from.substr(target.from.find('@') + 1) + ">";
}

std::string Wrapped(const std::string& base64) {
    std::string lines;
    for (std::size_t at = 0; at < base64.size(); at += 76) lines += base64.substr(at, 76) + "\r\n";
    return lines;
}

struct Upload {
    const std::string& message;
    std::size_t sent = 0;
};

std::size_t ReadUpload(char* buffer, std::size_t size, std::size_t count, void* data) {
    auto& upload = *static_cast<Upload*>(data);
    const std::size_t bytes = std::min(size * count, upload.message.size() - upload.sent);
    upload.message.copy(buffer, bytes, upload.sent);
    upload.sent += bytes;
    return bytes;
}

// Whether `url` names 127.0.0.1 or ::1, where a test's stand-in speaks plain SMTP.
bool IsLoopbackHost(const std::string& url) {
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    char* host = nullptr;
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK)
        return false;
    const std::string name = host;
    curl_free(host);
    return name == "127.0.0.1" || name == "[::1]";
}

// curl's words about a failed login may quote what it sent; a password never leaves this process.
std::string WithoutPassword(std::string text, const std::string& url) {
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    char* password = nullptr;
    if (parsed && curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed.get(), CURLUPART_PASSWORD, &password, CURLU_URLDECODE) == CURLUE_OK) {
        const std::string secret = password;
        curl_free(password);
        for (std::size_t at; !secret.empty() && (at = text.find(secret)) != std::string::npos;)
            text.replace(at, secret.size(), "***");
    }
    return text;
}

}  // namespace

std::string MailMessage(const ChatTarget& target, const ReminderText& text, std::int64_t now_seconds) {
    std::string to;
    for (const std::string& recipient : target.to) to += (to.empty() ? "" : ", ") + recipient;
    std::string body = text.summary + "\n\n" + text.body + "\n";
    std::string crlf_body;
    for (char c : body) crlf_body += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return "Date: " + MailDate(now_seconds) + "\r\nFrom: Sitora <" + target.from + ">\r\nTo: " + to +
           "\r\nSubject: " + EncodedHeader("Sitora：" + text.summary) + "\r\nMessage-ID: " + MessageId(target) +
           "\r\nMIME-Version: 1.0\r\nContent-Type: text/plain; charset=UTF-8\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\n" +
           Wrapped(Base64(crlf_body));
}

std::optional<std::string> SendMail(const ChatTarget& target, const std::string& message, long timeout_ms) {
    InitialiseCurlOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return "无法发送（libcurl）";
    curl_slist* recipients = nullptr;
    for (const std::string& recipient : target.to) recipients = curl_slist_append(recipients, ("<" + recipient + ">").c_str());
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipient_list(recipients, curl_slist_free_all);
    Upload upload{message};
    CURL* handle = curl.get();
    const std::string from = "<" + target.from + ">";
    curl_easy_setopt(handle, CURLOPT_URL, target.url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(handle, CURLOPT_USE_SSL,
                     target.url.starts_with("smtps://") || IsLoopbackHost(target.url) ? CURLUSESSL_TRY : CURLUSESSL_ALL);
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, timeout_ms);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    const CURLcode rc = curl_easy_perform(handle);
    if (rc == CURLE_OK) return std::nullopt;
    long reply = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &reply);
    std::string why = rc == CURLE_OPERATION_TIMEDOUT ? "没有应答（超时）：" : "发送失败：";
    why += *error ? error : curl_easy_strerror(rc);
    if (reply) why += "（服务器应答 " + std::to_string(reply) + "）";
    return WithoutPassword(why, target.url);
}

}  // namespace sitora::remind
