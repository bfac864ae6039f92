#include "remind/reminder_text.h"

#include <algorithm>

namespace sitora::remind {
namespace {

constexpr std::size_t kLinesShown = 5;

std::string KindWord(DueKind kind) {
    switch (kind) {
    case DueKind::kSpace: return "空间";
    case DueKind::kDomain: return "域名";
    case DueKind::kCertificate: return "证书";
    case DueKind::kRegistryEarlier: return "注册局日期";
    }
    return "域名";
}

std::string WhenText(int days_left) {
    if (days_left == 0) return "今天到期";
    if (days_left > 0) return "还有 " + std::to_string(days_left) + " 天到期";
    return "已过期 " + std::to_string(-days_left) + " 天";
}

std::string Line(const DueItem& item, const text::Date& today) {
    const std::string& name = item.address.empty() ? item.number : item.address;
    return name + " " + KindWord(item.kind) + " " + text::ShortDate(item.date) + " " +
           WhenText(text::DaysBetween(today, item.date));
}

// "3 个空间、1 个域名" for the items of `items` that `counts` takes; empty when it takes none.
template <typename Predicate>
std::string Counts(const std::vector<DueItem>& items, Predicate counts) {
    std::string said;
    for (const auto& named : {std::pair{DueKind::kSpace, " 个空间"}, std::pair{DueKind::kDomain, " 个域名"},
                              std::pair{DueKind::kCertificate, " 个证书"}}) {
        const DueKind kind = named.first;
        const auto count = std::count_if(items.begin(), items.end(),
                                         [&](const DueItem& item) { return item.kind == kind && counts(item); });
        if (count) said += (said.empty() ? "" : "、") + std::to_string(count) + named.second;
    }
    return said;
}

void Append(std::string& summary, const std::string& clause) {
    if (!clause.empty()) summary += (summary.empty() ? "" : "，") + clause;
}

}  // namespace

ReminderText ComposeReminder(const std::vector<DueItem>& items, const text::Date& today,
                             const std::optional<text::Date>& last_check) {
    // What has run out comes first, then what runs out soonest: only the lines shown are put in
    // order (a large register has hundreds of thousands of items due).
    std::vector<std::size_t> order(items.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const std::size_t shown = std::min(kLinesShown, items.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(shown), order.end(),
                      [&items](std::size_t a, std::size_t b) {
                          return items[a].date != items[b].date ? items[a].date < items[b].date : a < b;
                      });
    const auto is_dated = [](const DueItem& item) { return item.kind != DueKind::kRegistryEarlier; };
    ReminderText text;
    const std::string overdue = Counts(items, [&](const DueItem& item) { return item.date < today; });
    if (!overdue.empty()) text.summary = overdue + "已过期";
    int furthest = -1;
    for (const DueItem& item : items)
        if (is_dated(item) && item.date >= today) furthest = std::max(furthest, text::DaysBetween(today, item.date));
    const std::string coming = Counts(items, [&](const DueItem& item) { return item.date >= today; });
    if (!coming.empty())
        Append(text.summary, coming + (furthest == 0 ? "今天到期" : "将在 " + std::to_string(furthest) + " 天内到期"));
    const auto earlier = std::count_if(items.begin(), items.end(), [&](const DueItem& item) { return !is_dated(item); });
    if (earlier) Append(text.summary, std::to_string(earlier) + " 个域名的注册局日期早于登记");
    for (std::size_t i = 0; i < shown; ++i) text.body += (i ? "\n" : "") + Line(items[order[i]], today);
    if (items.size() > kLinesShown) text.body += "\n……共 " + std::to_string(items.size()) + " 项";
    text.overdue = shown > 0 && items[order[0]].date < today;
    const bool carries_findings = std::any_of(items.begin(), items.end(), [](const DueItem& item) {
        return item.kind == DueKind::kCertificate || item.kind == DueKind::kRegistryEarlier;
    });
    if (carries_findings && last_check) {
        const int age = text::DaysBetween(*last_check, today);
        text.body += "\n（证书与注册局日期来自" + (age <= 0 ? std::string("今天") : " " + std::to_string(age) + " 天前") + "的核对）";
    }
    return text;
}

std::string MessageText(const ReminderText& text) { return "Sitora：" + text.summary + "\n" + text.body; }

}  // namespace sitora::remind
