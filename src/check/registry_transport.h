#pragma once
// The two ways a registry is asked: an HTTP GET (RDAP, the bootstrap file) and a WHOIS query on
// port 43. Each has a deadline, a size limit and the stop flag; neither follows a redirect by itself.
#include <optional>
#include <string>

#include "check/stop_flag.h"

namespace sitora::check {

inline constexpr long kRequestTimeoutMs = 10'000;
inline constexpr std::size_t kLargestAnswer = 4 << 20;

struct HttpReply {
    std::string error;     // why there is no reply; empty when there is one
    long status = 0;
    std::string body;
    std::string location;  // a redirect's target, made absolute
    int retry_after = -1;  // seconds of a Retry-After header, -1 for none
};

// Only https, or plain http to a loopback address; `why` says why a URL is refused.
bool IsAllowedUrl(const std::string& url, std::string* why);

// The host and port a URL speaks to ("rdap.example:443"): the key the pacing goes by.
std::string AuthorityOf(const std::string& url);

HttpReply HttpGet(const std::string& url, const StopFlag& stop, long timeout_ms = kRequestTimeoutMs);

struct WhoisReply {
    std::string error;
    std::string text;
};

WhoisReply AskWhois(const std::string& host, int port, const std::string& query, const StopFlag& stop,
                    long timeout_ms = kRequestTimeoutMs);

}  // namespace sitora::check
