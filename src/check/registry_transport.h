#pragma once
// The two ways a registry is asked: an HTTP GET (RDAP, the bootstrap file) and a WHOIS query on
// port 43. Each has a deadline, a size limit and the stop flag; neither follows a redirect by itself.
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// Only https, or plain http to a loopback address: why a URL is refused, nothing when it is not.
std::optional<std::string> UrlRefusal(const std::string& url);

// The host and port a URL speaks to ("rdap.example:443"): the key the pacing goes by.
std::string AuthorityOf(const std::string& url);

// The addresses a host name stands for (numeric text); a literal address stands for itself.
using Resolver = std::function<std::vector<std::string>(const std::string& host)>;
std::vector<std::string> ResolveHost(const std::string& host);

// 127/8, 10/8, 172.16/12, 192.168/16, 169.254/16, 100.64/10, 0/8, ::1, ::, fc00::/7, fe80::/10
// and IPv4 addresses mapped into IPv6: where a remote registry must never send us.
bool IsInternalAddress(const std::string& address);

struct RedirectJudgement {
    std::string refused;                 // why the redirect is not followed; empty when it is
    std::string host;                    // the target's host and port and the addresses checked,
    std::string port;                    // to be used for the request itself (no second lookup
    std::vector<std::string> addresses;  // a name could answer differently)
};

// A redirect from `from` to `to`: never from https to http, never to an internal address unless
// `from` was one itself (a stand-in on this machine may redirect to another).
RedirectJudgement JudgeRedirect(const std::string& from, const std::string& to, const Resolver& resolve = ResolveHost);

// `pinned`: the judged target of a redirect, connected to without resolving its name again.
HttpReply HttpGet(const std::string& url, const StopFlag& stop, long timeout_ms = kRequestTimeoutMs,
                  const RedirectJudgement* pinned = nullptr);

struct WhoisReply {
    std::string error;
    std::string text;
};

WhoisReply AskWhois(const std::string& host, int port, const std::string& query, const StopFlag& stop,
                    long timeout_ms = kRequestTimeoutMs);

}  // namespace sitora::check
