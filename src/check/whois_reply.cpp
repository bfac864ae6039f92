// WHOIS replies: free text in each registry's own layout, read line by line for a labelled
// run-out date, then for the registry's words for "not registered".
#include <algorithm>
#include <array>
#include <string>

#include "base/text/byte_strings.h"
#include "check/registry_answers.h"
#include "check/site_names.h"

namespace sitora::check {
namespace {

// The labels of a run-out date, as normalised by LabelOf: lower case, blanks single, no dots or
// colon after it, no note in brackets.
constexpr std::array<std::string_view, 32> kExpiryLabels = {
    "registry expiry date",   "registrar registration expiration date", "expiration time",  // gTLDs, CNNIC
    "expiry date",            "expiration date",       "expires on",     "expires",    "expire date",
    "expire",                 "expiry",                "expiration",     "expired",    "expires at",
    "expire-date",            "paid-till",             "payed-till",     "reg-till",   "valid until",
    "validity",               "renewal date",          "renewal",        "record will expire on",
    "record expires on",      "record expires",        "domain expires", "domain expiration date",
    "domain currently expires", "exp date",            "date of expiration", "additional info expires on",
    "有効期限",                "사용 종료일"};

// Registries known to write the day first in numeric dates, by suffix and by WHOIS server.
constexpr std::array<std::string_view, 16> kDayFirstSuffixes = {"hk", "pt", "fr", "pm", "re", "tf", "wf", "yt",
                                                                "im", "il", "bg", "bz", "rs", "fi", "cz", "ru"};
constexpr std::array<std::string_view, 10> kDayFirstServers = {
    "whois.hkirc.hk", "whois.dns.pt",      "whois.nic.fr",     "whois.afnic.fr", "whois.nic.im",
    "whois.isoc.org.il", "whois.register.bg", "whois.belizenic.bz", "whois.rnids.rs", "whois.fi"};

// Registries that publish no run-out date in WHOIS: a reply naming the domain is all there is.
constexpr std::array<std::string_view, 9> kNoExpirySuffixes = {"de", "nl", "no", "jp", "eu", "be", "at", "ch", "li"};

// Said anywhere in a reply: the domain is not registered.
constexpr std::array<std::string_view, 8> kNotFoundWords = {"no match",        "not found",     "no entries found",
                                                           "no object found", "no data found", "object does not exist",
                                                           "not been registered", "no found"};
// Said as a whole line.
constexpr std::array<std::string_view, 4> kNotFoundLines = {"status: free", "status: available", "domain status: available",
                                                            "220 available"};

constexpr std::array<std::string_view, 4> kRateLimitWords = {"queried interval is too short", "rate limit", "too many",
                                                             "exceeded"};

template <std::size_t N>
bool IsIn(std::string_view word, const std::array<std::string_view, N>& words) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

struct LabelledValue {
    std::string label;
    std::string_view value;  // as written
    DateOrder hint = DateOrder::kUnknown;
};

// "Expiry Date......", "[Expires on]", "Expiration Date (dd/mm/yyyy)" as "expiry date" and the like.
std::string LabelOf(std::string_view written, DateOrder* hint) {
    std::string label;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const char c = written[i];
        if (c == '(') {
            const auto close = written.find(')', i);
            const std::string note = text::AsciiLower(written.substr(i, close == std::string_view::npos ? 0 : close - i));
            if (note.find("dd/mm") != std::string::npos || note.find("dd.mm") != std::string::npos) *hint = DateOrder::kDayFirst;
            else if (note.find("mm/dd") != std::string::npos) *hint = DateOrder::kMonthFirst;
            if (close == std::string_view::npos) break;
            i = close;
        } else if (c == ' ' || c == '\t' || c == '_') {
            if (!label.empty() && label.back() != ' ') label += ' ';
        } else if (c != '.' && c != '[' && c != ']') {
            label += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        }
    }
    while (!label.empty() && label.back() == ' ') label.pop_back();
    return label;
}

// The label and value of a line: "Label: value", "[Label]  value"; nothing for other lines.
std::optional<LabelledValue> Labelled(std::string_view line) {
    std::size_t end = std::string_view::npos;
    std::size_t value_at = 0;
    if (line.starts_with('[')) {
        end = line.find(']');
        value_at = end + 1;
    } else {
        end = line.find(':');
        value_at = end + 1;
    }
    if (end == std::string_view::npos || end > 80) return std::nullopt;
    LabelledValue labelled;
    labelled.label = LabelOf(line.substr(0, end + (line.starts_with('[') ? 1 : 0)), &labelled.hint);
    labelled.value = text::TrimBlanks(line.substr(value_at));
    return labelled;
}

// "Record expires on 2020-05-23 (YYYY-MM-DD)": a label without a colon, the date after a blank.
std::optional<LabelledValue> Unlabelled(std::string_view line) {
    const std::string lowered = text::AsciiLower(line);
    for (const std::string_view label : kExpiryLabels) {
        if (lowered.size() > label.size() + 1 && lowered.starts_with(label) &&
            (lowered[label.size()] == ' ' || lowered[label.size()] == '\t'))
            return LabelledValue{std::string(label), text::TrimBlanks(line.substr(label.size())), DateOrder::kUnknown};
    }
    return std::nullopt;
}

std::vector<std::string_view> LinesOf(std::string_view reply) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < reply.size();) {
        const std::size_t end = std::min(reply.find('\n', start), reply.size());
        lines.push_back(text::TrimBlanks(reply.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

bool SaysNotRegistered(const std::string& lowered, const std::vector<std::string_view>& lines) {
    for (const std::string_view words : kNotFoundWords)
        if (lowered.find(words) != std::string::npos) return true;
    for (const std::string_view line : lines) {
        const std::string plain = text::AsciiLower(line);
        std::string_view words = plain;
        while (!words.empty() && (words.back() == '.' || words.back() == '!')) words.remove_suffix(1);
        if (IsIn(words, kNotFoundLines) || words.ends_with(" is free")) return true;
    }
    return false;
}

}  // namespace

DateOrder DateOrderOf(WhoisOrigin origin) {
    const std::string server = text::AsciiLower(origin.server.substr(0, origin.server.find(':')));
    if (IsIn(std::string_view(server), kDayFirstServers)) return DateOrder::kDayFirst;
    if (!origin.domain.empty() && IsIn(std::string_view(TopLevelLabel(text::AsciiLower(origin.domain))), kDayFirstSuffixes))
        return DateOrder::kDayFirst;
    return DateOrder::kUnknown;
}

RegistryAnswer ReadWhoisReply(std::string_view reply, WhoisOrigin origin) {
    reply = reply.substr(0, 1 << 20);
    const DateOrder order = DateOrderOf(origin);
    const std::vector<std::string_view> lines = LinesOf(reply);
    std::optional<RegistryAnswer> unreadable_date;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto labelled = Labelled(lines[i]);
        const bool has_colon = labelled && IsIn(std::string_view(labelled->label), kExpiryLabels);
        if (!has_colon) labelled = Unlabelled(lines[i]);
        if (!labelled) continue;
        const DateOrder line_order = labelled->hint != DateOrder::kUnknown ? labelled->hint : order;
        std::string_view value = labelled->value;
        if (value.empty() && has_colon) {
            // "Renewal date:" with the date on the next line.
            std::size_t next = i + 1;
            while (next < lines.size() && lines[next].empty()) ++next;
            if (next < lines.size() && ReadDateAt(lines[next], line_order).date) value = lines[next];
        }
        if (value.empty()) continue;
        const DateReading reading = ReadDateAt(value, line_order);
        if (reading.date) return {AnswerKind::kFound, reading.date, {}};
        // A label met without a colon may be any sentence: only one with a colon says the date is unreadable.
        if (has_colon && !unreadable_date)
            unreadable_date = RegistryAnswer{AnswerKind::kUnreadable, std::nullopt,
                                             "到期日期无法识别：" + text::Utf8Prefix(value, 60)};
    }
    const std::string lowered = text::AsciiLower(reply);
    if (SaysNotRegistered(lowered, lines)) return {AnswerKind::kNotFound, std::nullopt, {}};
    for (const std::string_view words : kRateLimitWords)
        if (lowered.find(words) != std::string::npos) return {AnswerKind::kRateLimited, std::nullopt, "查询过于频繁"};
    if (unreadable_date) return *unreadable_date;
    const std::string domain = text::AsciiLower(origin.domain);
    if (!domain.empty() && IsIn(std::string_view(TopLevelLabel(domain)), kNoExpirySuffixes) &&
        lowered.find(domain) != std::string::npos)
        return {AnswerKind::kNoExpiry, std::nullopt, {}};
    return {AnswerKind::kUnreadable, std::nullopt, "应答中没有到期日期"};
}

}  // namespace sitora::check
