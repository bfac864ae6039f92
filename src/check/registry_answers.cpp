#include "check/registry_answers.h"

#include <nlohmann/json.hpp>

#include "base/text/byte_strings.h"

#include <algorithm>

namespace sitora::check {
namespace {

using Json = nlohmann::json;

std::string Lower(std::string_view text) { return text::AsciiLower(text); }
std::string_view Trimmed(std::string_view text) { return text::TrimBlanks(text); }

RegistryAnswer Unreadable(std::string reason) { return {AnswerKind::kUnreadable, std::nullopt, std::move(reason)}; }

// Deeper than any registry's reply or bootstrap file nests.
constexpr int kDeepestJson = 64;

std::optional<Json> ParsedJson(std::string_view text) {
    if (!JsonNestingWithin(text, kDeepestJson)) return std::nullopt;
    Json parsed = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

const Json* Member(const Json& object, const char* name) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(name);
    return found == object.end() ? nullptr : &*found;
}

}  // namespace

bool JsonNestingWithin(std::string_view json, int depth) {
    int open = 0;
    bool in_string = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (in_string) {
            if (c == '\\') ++i;
            else if (c == '"') in_string = false;
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++open > depth) return false;
        } else if (c == ']' || c == '}') {
            --open;
        }
    }
    return true;
}

BootstrapReading ParseBootstrap(std::string_view json) {
    const auto fail = [](const char* reason) { return BootstrapReading{std::nullopt, reason}; };
    const auto parsed = ParsedJson(json);
    if (!parsed) return fail("引导文件不是 JSON，或嵌套过深");
    const Json* services = Member(*parsed, "services");
    if (!services || !services->is_array()) return fail("引导文件没有 services");
    Bootstrap bootstrap;
    for (const Json& service : *services) {
        if (!service.is_array() || service.size() < 2 || !service[0].is_array() || !service[1].is_array()) continue;
        std::vector<std::string> urls;
        for (const Json& url : service[1]) {
            if (!url.is_string()) continue;
            std::string base = url.get<std::string>();
            if (base.empty()) continue;
            if (base.back() != '/') base += '/';
            urls.push_back(std::move(base));
        }
        if (urls.empty()) continue;
        // An https service first: the one to use when a suffix offers both.
        std::stable_sort(urls.begin(), urls.end(),
                         [](const std::string& a, const std::string& b) { return a.starts_with("https:") > b.starts_with("https:"); });
        for (const Json& suffix : service[0])
            if (suffix.is_string()) bootstrap.services[Lower(suffix.get<std::string>())] = urls;
    }
    return {std::move(bootstrap), {}};
}

std::optional<std::string> RdapBaseFor(const Bootstrap& bootstrap, std::string_view domain) {
    std::string_view suffix = domain;
    while (!suffix.empty()) {
        const auto found = bootstrap.services.find(Lower(suffix));
        if (found != bootstrap.services.end()) return found->second.front();
        const auto dot = suffix.find('.');
        if (dot == std::string_view::npos) break;
        suffix.remove_prefix(dot + 1);
    }
    return std::nullopt;
}

RegistryAnswer ReadRdapDomain(std::string_view json) {
    const auto parsed = ParsedJson(json);
    if (!parsed) return Unreadable("应答不是 JSON，或嵌套过深");
    if (const Json* code = Member(*parsed, "errorCode"); code && code->is_number_integer() && code->get<long long>() == 404)
        return {AnswerKind::kNotFound, std::nullopt, {}};
    const Json* kind = Member(*parsed, "objectClassName");
    const bool is_domain = kind && kind->is_string() && Lower(kind->get<std::string>()) == "domain";
    const Json* events = Member(*parsed, "events");
    if (!events || !events->is_array()) {
        if (is_domain) return {AnswerKind::kNoExpiry, std::nullopt, {}};
        return Unreadable("应答没有事件（events）");
    }
    for (const Json& event : *events) {
        const Json* action = Member(event, "eventAction");
        const Json* when = Member(event, "eventDate");
        if (!action || !action->is_string() || Lower(action->get<std::string>()) != "expiration") continue;
        if (!when || !when->is_string()) return Unreadable("到期事件没有日期");
        const auto date = ReadRegistryDate(when->get<std::string>());
        if (!date) return Unreadable("到期日期无法识别：" + text::Utf8Prefix(when->get<std::string>(), 60));
        return {AnswerKind::kFound, date, {}};
    }
    // Events are optional in RDAP: a registry that keeps run-out dates to itself (DENIC) sends the
    // domain without one.
    if (is_domain) return {AnswerKind::kNoExpiry, std::nullopt, {}};
    return Unreadable("应答没有到期事件（expiration）");
}

std::optional<std::string> ReadWhoisReferral(std::string_view reply) {
    std::size_t start = 0;
    while (start < reply.size()) {
        const std::size_t end = std::min(reply.find('\n', start), reply.size());
        const std::string_view line = Trimmed(reply.substr(start, end - start));
        start = end + 1;
        if (Lower(line.substr(0, 6)) != "refer:" && Lower(line.substr(0, 6)) != "whois:") continue;
        const std::string server = Lower(Trimmed(line.substr(6)));
        const bool plain = !server.empty() && server.size() < 256 && std::all_of(server.begin(), server.end(), [](unsigned char c) {
            return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':';
        });
        if (plain) return server;
    }
    return std::nullopt;
}

}  // namespace sitora::check
