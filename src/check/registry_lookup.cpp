#include "check/registry_lookup.h"

#include <cerrno>
#include <charconv>

#include "base/files/file_ops.h"
#include "check/registry_transport.h"
#include "check/site_names.h"

namespace sitora::check {
namespace {

constexpr int kRedirectLimit = 5;
constexpr int kRetryLimit = 3;
constexpr int kLongestRetryAfter = 60;  // seconds; a registry asking for more is given up on this run
constexpr std::int64_t kBootstrapFresh = 24 * 3600;

DomainLookup Failed(std::string reason, std::string source = {}) {
    return {LookupOutcome::kFailed, std::nullopt, std::move(source), std::move(reason)};
}

DomainLookup FromAnswer(const RegistryAnswer& answer, std::string source) {
    switch (answer.kind) {
    case AnswerKind::kFound: return {LookupOutcome::kFound, answer.expiry, std::move(source), {}};
    case AnswerKind::kNotFound: return {LookupOutcome::kNotFound, std::nullopt, std::move(source), {}};
    case AnswerKind::kNoExpiry: return {LookupOutcome::kNoExpiry, std::nullopt, std::move(source), {}};
    default: return Failed(answer.reason, std::move(source));
    }
}

bool IsUrl(const std::string& text) { return text.starts_with("http://") || text.starts_with("https://"); }

}  // namespace

std::optional<std::pair<std::string, int>> HostAndPort(const std::string& text, int default_port) {
    std::string host = text;
    int port = default_port;
    if (const auto colon = text.rfind(':'); colon != std::string::npos && text.find(':') == colon) {
        host = text.substr(0, colon);
        const std::string digits = text.substr(colon + 1);
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (error != std::errc() || end != digits.data() + digits.size() || port < 1 || port > 65535) return std::nullopt;
    }
    if (host.empty() || host.find_first_of(" /\t") != std::string::npos) return std::nullopt;
    return std::pair{host, port};
}

RegistryLookup::RegistryLookup(RegistrySettings settings, LookupCache& cache, const text::Date& today)
    : settings_(std::move(settings)), cache_(cache), today_(today) {}

DomainLookup RegistryLookup::LookUp(const std::string& domain, const StopFlag& stop) {
    if (!settings_.refresh) {
        const std::lock_guard lock(cache_mutex_);
        if (auto cached = cache_.Find(domain, EpochNow())) return *cached;
    }
    DomainLookup lookup;
    std::string why;
    std::optional<Server> whois;
    const std::string top = TopLevelLabel(domain);
    for (std::string_view suffix = domain; !whois && !suffix.empty();) {
        if (const auto named = settings_.whois_servers.find(std::string(suffix)); named != settings_.whois_servers.end()) {
            const auto server = HostAndPort(named->second, 43);
            if (server) whois = Server{server->first, server->second};
        }
        const auto dot = suffix.find('.');
        suffix = dot == std::string_view::npos ? std::string_view() : suffix.substr(dot + 1);
    }
    if (whois) {
        lookup = AskWhoisFor(*whois, domain, stop);
    } else if (const Bootstrap* bootstrap = LoadedBootstrap(stop); bootstrap && RdapBaseFor(*bootstrap, domain)) {
        lookup = AskRdap(*RdapBaseFor(*bootstrap, domain), domain, stop);
    } else if (why = BootstrapFault(); !bootstrap && !why.empty() && top != "cn") {
        lookup = Failed(why);
    } else if (ServerChoice choice = WhoisServerFor(domain, stop); choice.server) {
        lookup = AskWhoisFor(*choice.server, domain, stop);
    } else {
        if (!choice.fault.empty()) why = choice.fault;
        lookup = why.empty() ? DomainLookup{LookupOutcome::kNoService, std::nullopt, {}, {}} : Failed(why);
    }
    if (stop) lookup = {LookupOutcome::kStopped, std::nullopt, {}, "已停止"};
    const std::lock_guard lock(cache_mutex_);
    cache_.Put(domain, lookup, EpochNow(), today_);
    return lookup;
}

DomainLookup RegistryLookup::AskRdap(const std::string& base, const std::string& domain, const StopFlag& stop) {
    std::string url = base + "domain/" + domain;
    RedirectJudgement redirect;  // of the hop that led to `url`
    int retries = 0;
    for (int hop = 0; hop <= kRedirectLimit;) {
        const std::string authority = AuthorityOf(url);
        const std::string source = "RDAP " + authority.substr(0, authority.rfind(':'));
        if (!pacer_.WaitTurn(authority, settings_.rdap_interval, stop)) return Failed("已停止", source);
        const HttpReply reply = HttpGet(url, stop, kRequestTimeoutMs, hop > 0 ? &redirect : nullptr);
        if (!reply.error.empty()) return Failed(reply.error, source);
        if (reply.status == 429 || reply.status == 503) {
            const int wait = reply.retry_after >= 0 ? reply.retry_after : 2 << retries;
            if (++retries > kRetryLimit || wait > kLongestRetryAfter)
                return Failed("注册局要求稍后再查（HTTP " + std::to_string(reply.status) + "）", source);
            pacer_.HoldOff(authority, std::chrono::seconds(wait));
            continue;
        }
        if (reply.status >= 300 && reply.status < 400) {
            if (reply.location.empty()) return Failed("重定向没有目标", source);
            redirect = JudgeRedirect(url, reply.location);
            if (!redirect.refused.empty()) return Failed("重定向被拒绝：" + redirect.refused, source);
            url = reply.location;
            ++hop;
            continue;
        }
        if (reply.status == 404) return {LookupOutcome::kNotFound, std::nullopt, source, {}};
        if (reply.status != 200) return Failed("HTTP " + std::to_string(reply.status), source);
        return FromAnswer(ReadRdapDomain(reply.body), source);
    }
    return Failed("重定向过多", "RDAP " + AuthorityOf(url));
}

DomainLookup RegistryLookup::AskWhoisFor(const Server& server, const std::string& domain, const StopFlag& stop) {
    const std::string authority = server.host + ":" + std::to_string(server.port);
    const std::string source = "WHOIS " + (server.port == 43 ? server.host : authority);
    for (int attempt = 0;; ++attempt) {
        if (!pacer_.WaitTurn(authority, settings_.whois_interval, stop)) return Failed("已停止", source);
        const WhoisReply reply = AskWhois(server.host, server.port, domain, stop);
        if (!reply.error.empty()) return Failed(reply.error, source);
        const RegistryAnswer answer = ReadWhoisReply(reply.text, {server.host, domain});
        if (answer.kind != AnswerKind::kRateLimited) return FromAnswer(answer, source);
        if (attempt + 1 >= kRetryLimit) return Failed(answer.reason, source);
        // Backing off: twice the interval, then four times, before asking again.
        pacer_.HoldOff(authority, settings_.whois_interval * (2 << attempt));
    }
}

RegistryLookup::ServerChoice RegistryLookup::WhoisServerFor(const std::string& domain, const StopFlag& stop) {
    const std::string top = TopLevelLabel(domain);
    if (top == "cn") return {Server{"whois.cnnic.cn", 43}, {}};
    const std::string key = "whois-server:" + top;
    {
        const std::lock_guard lock(cache_mutex_);
        if (auto cached = cache_.Find(key, EpochNow()); cached && !settings_.refresh) {
            if (cached->outcome != LookupOutcome::kFound) return {};
            const auto server = HostAndPort(cached->source, 43);
            if (server) return {Server{server->first, server->second}, {}};
        }
    }
    if (!pacer_.WaitTurn("whois.iana.org:43", settings_.whois_interval, stop)) return {};
    const WhoisReply reply = AskWhois("whois.iana.org", 43, top, stop);
    if (!reply.error.empty()) {
        return {std::nullopt, "whois.iana.org：" + reply.error};
    }
    const auto referral = ReadWhoisReferral(reply.text);
    DomainLookup remembered{referral ? LookupOutcome::kFound : LookupOutcome::kNoService, std::nullopt,
                            referral.value_or(""), {}};
    {
        const std::lock_guard lock(cache_mutex_);
        cache_.Put(key, remembered, EpochNow(), text::AddDays(today_, 365));
    }
    if (!referral) return {};
    const auto server = HostAndPort(*referral, 43);
    if (!server) return {};
    return {Server{server->first, server->second}, {}};
}

const Bootstrap* RegistryLookup::LoadedBootstrap(const StopFlag& stop) {
    const std::lock_guard lock(bootstrap_mutex_);
    if (!bootstrap_tried_) {
        bootstrap_tried_ = true;
        std::optional<std::string> json;
        if (IsUrl(settings_.bootstrap)) {
            Fetched fetched = FetchBootstrap(stop);
            json = std::move(fetched.text);
            bootstrap_error_ = std::move(fetched.fault);
        } else {
            json = files::ReadWholeFile(settings_.bootstrap, /*no_follow=*/false, kLargestAnswer);
            if (!json)
                bootstrap_error_ = (errno == EFBIG ? "引导文件过大（超过 4 MB）：" : "无法读取引导文件 ") + settings_.bootstrap;
        }
        if (json) {
            BootstrapReading reading = ParseBootstrap(*json);
            bootstrap_ = std::move(reading.bootstrap);
            if (!bootstrap_) bootstrap_error_ = "RDAP 引导文件无效：" + reading.fault;
        }
    }
    return bootstrap_ ? &*bootstrap_ : nullptr;
}

std::string RegistryLookup::BootstrapFault() {
    const std::lock_guard lock(bootstrap_mutex_);
    return bootstrap_error_;
}

RegistryLookup::Fetched RegistryLookup::FetchBootstrap(const StopFlag& stop) {
    std::int64_t age = 0;
    auto cached = cache_.Bootstrap(settings_.bootstrap, EpochNow(), &age);
    if (cached && !settings_.refresh && age < kBootstrapFresh && ParseBootstrap(*cached).bootstrap) return {cached, {}};
    pacer_.WaitTurn(AuthorityOf(settings_.bootstrap), settings_.rdap_interval, stop);
    const HttpReply reply = HttpGet(settings_.bootstrap, stop);
    if (reply.error.empty() && reply.status == 200 && ParseBootstrap(reply.body).bootstrap) {
        cache_.PutBootstrap(settings_.bootstrap, reply.body);
        return {reply.body, {}};
    }
    if (cached) return {cached, {}};  // stale, but better than nothing
    return {std::nullopt, "无法取得 RDAP 引导文件：" + (reply.error.empty() ? "HTTP " + std::to_string(reply.status) : reply.error)};
}

}  // namespace sitora::check
