#include "check/registry_answers.h"

#include <nlohmann/json.hpp>

#include "app/text/byte_strings.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace sitora::check {
namespace {

using Json = nlohmann::json;

std::string Lower(std::string_view text) { return text::AsciiLower(text); }
std::string_view Trimmed(std::string_view text) { return text::TrimBlanks(text); }

std::optional<int> Number(std::string_view digits) {
    int value = 0;
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

std::optional<text::Date> DateOf(int year, int month, int day) {
    const text::Date date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                          std::chrono::day(static_cast<unsigned>(day))};
    if (year < 1900 || year > 9999 || !date.ok()) return std::nullopt;
    return date;
}

// "01-Mar-2027" and "01-mar-2027", as some older registries write.
std::optional<text::Date> DayMonthNameYear(std::string_view text) {
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    if (text.size() < 11 || text[2] != '-' || text[6] != '-') return std::nullopt;
    const auto month = std::find(kMonths.begin(), kMonths.end(), Lower(text.substr(3, 3)));
    const auto day = Number(text.substr(0, 2));
    const auto year = Number(text.substr(7, 4));
    if (month == kMonths.end() || !day || !year) return std::nullopt;
    return DateOf(*year, static_cast<int>(month - kMonths.begin()) + 1, *day);
}

RegistryAnswer Unreadable(std::string reason) { return {AnswerKind::kUnreadable, std::nullopt, std::move(reason)}; }

std::optional<Json> ParsedJson(std::string_view text) {
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

std::optional<text::Date> ReadRegistryDate(std::string_view text) {
    text = Trimmed(text);
    if (auto named = DayMonthNameYear(text)) return named;
    // YYYY-MM-DD, optionally followed by a time: 'T' or a blank.
    const auto year = Number(text.substr(0, 4));
    if (text.size() < 10 || !year || (text[4] != '-' && text[4] != '.' && text[4] != '/') || text[7] != text[4])
        return std::nullopt;
    const auto month = Number(text.substr(5, 2));
    const auto day = Number(text.substr(8, 2));
    if (!month || !day) return std::nullopt;
    if (text.size() > 10 && text[10] != 'T' && text[10] != 't' && text[10] != ' ') return std::nullopt;
    return DateOf(*year, *month, *day);
}

std::optional<Bootstrap> ParseBootstrap(std::string_view json, std::string* why) {
    const auto fail = [why](const char* reason) -> std::optional<Bootstrap> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const auto parsed = ParsedJson(json);
    if (!parsed) return fail("引导文件不是 JSON");
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
    return bootstrap;
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
    if (!parsed) return Unreadable("应答不是 JSON");
    if (const Json* code = Member(*parsed, "errorCode"); code && code->is_number_integer() && code->get<long long>() == 404)
        return {AnswerKind::kNotFound, std::nullopt, {}};
    const Json* events = Member(*parsed, "events");
    if (!events || !events->is_array()) return Unreadable("应答没有事件（events）");
    for (const Json& event : *events) {
        const Json* action = Member(event, "eventAction");
        const Json* when = Member(event, "eventDate");
        if (!action || !action->is_string() || Lower(action->get<std::string>()) != "expiration") continue;
        if (!when || !when->is_string()) return Unreadable("到期事件没有日期");
        const auto date = ReadRegistryDate(when->get<std::string>());
        if (!date) return Unreadable("到期日期无法识别：" + when->get<std::string>().substr(0, 40));
        return {AnswerKind::kFound, date, {}};
    }
    return Unreadable("应答没有到期事件（expiration）");
}

RegistryAnswer ReadWhoisReply(std::string_view reply) {
    static constexpr std::array<std::string_view, 10> kExpiryFields = {
        "expiration time", "registry expiry date", "registrar registration expiration date", "expiry date",
        "expiration date", "expires on", "expires", "paid-till", "valid until", "renewal date"};
    const std::string lowered = Lower(reply.substr(0, 1 << 20));
    std::optional<RegistryAnswer> unreadable_date;
    std::size_t start = 0;
    while (start < lowered.size()) {
        const std::size_t end = std::min(lowered.find('\n', start), lowered.size());
        const std::string_view line = Trimmed(std::string_view(lowered).substr(start, end - start));
        start = end + 1;
        const auto colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view field = Trimmed(line.substr(0, colon));
        if (std::find(kExpiryFields.begin(), kExpiryFields.end(), field) == kExpiryFields.end()) continue;
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (const auto date = ReadRegistryDate(value)) return {AnswerKind::kFound, date, {}};
        if (!unreadable_date) unreadable_date = Unreadable("到期日期无法识别：" + std::string(value.substr(0, 40)));
    }
    const auto says = [&lowered](std::string_view words) { return lowered.find(words) != std::string::npos; };
    if (says("no matching record") || says("no match for") || says("not found") || says("no entries found"))
        return {AnswerKind::kNotFound, std::nullopt, {}};
    if (says("queried interval is too short") || says("rate limit") || says("too many") || says("exceeded"))
        return {AnswerKind::kRateLimited, std::nullopt, "查询过于频繁"};
    return unreadable_date ? *unreadable_date : Unreadable("应答中没有到期日期");
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
