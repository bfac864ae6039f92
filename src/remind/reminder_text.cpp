#include "remind/reminder_text.h"

#include <algorithm>

namespace sitora::remind {
namespace {

constexpr std::size_t kLinesShown = 5;

std::string KindWord(data::DueKind kind) {
    switch (kind) {
    case data::DueKind::kSpace: return "空间";
    case data::DueKind::kDomain: return "域名";
    case data::DueKind::kCertificate: return "证书";
    case data::DueKind::kRegistryEarlier: return "注册局日期";
    }
    return "域名";
}

long CountOf(const std::vector<data::DueItem>& items, data::DueKind kind) {
    return std::count_if(items.begin(), items.end(), [kind](const data::DueItem& item) { return item.kind == kind; });
}

std::string WhenText(int days_left) {
    if (days_left == 0) return "今天到期";
    if (days_left > 0) return "还有 " + std::to_string(days_left) + " 天到期";
    return "已过期 " + std::to_string(-days_left) + " 天";
}

std::string Line(const data::DueItem& item, const text::Date& today) {
    const std::string& name = item.address.empty() ? item.number : item.address;
    return name + " " + KindWord(item.kind) + " " + text::ShortDate(item.date) + " " +
           WhenText(text::DaysBetween(today, item.date));
}

}  // namespace

ReminderText ComposeReminder(const std::vector<data::DueItem>& items, const text::Date& today) {
    const long spaces = CountOf(items, data::DueKind::kSpace);
    const long domains = CountOf(items, data::DueKind::kDomain);
    const long certificates = CountOf(items, data::DueKind::kCertificate);
    const long earlier = CountOf(items, data::DueKind::kRegistryEarlier);
    ReminderText text;
    for (const auto& [count, what] : {std::pair{spaces, " 个空间"}, std::pair{domains, " 个域名"},
                                      std::pair{certificates, " 个证书"}}) {
        if (count) text.summary += (text.summary.empty() ? "" : "、") + std::to_string(count) + what;
    }
    if (!text.summary.empty()) text.summary += "即将到期";
    if (earlier) text.summary += (text.summary.empty() ? "" : "；") + std::to_string(earlier) + " 个域名的注册局日期早于登记";
    for (std::size_t i = 0; i < items.size() && i < kLinesShown; ++i)
        text.body += (i ? "\n" : "") + Line(items[i], today);
    if (items.size() > kLinesShown) text.body += "\n……共 " + std::to_string(items.size()) + " 项";
    text.overdue = std::any_of(items.begin(), items.end(),
                               [&](const data::DueItem& item) { return item.date < today; });
    return text;
}

std::string MessageText(const ReminderText& text) { return "Sitora：" + text.summary + "\n" + text.body; }

}  // namespace sitora::remind
