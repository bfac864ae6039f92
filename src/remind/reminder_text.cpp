#include "remind/reminder_text.h"

#include <algorithm>

namespace sitora::remind {
namespace {

constexpr std::size_t kLinesShown = 5;

std::string KindWord(data::DueKind kind) { return kind == data::DueKind::kSpace ? "空间" : "域名"; }

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
    const auto spaces = std::count_if(items.begin(), items.end(),
                                      [](const data::DueItem& item) { return item.kind == data::DueKind::kSpace; });
    const auto domains = static_cast<long>(items.size()) - spaces;
    ReminderText text;
    if (spaces) text.summary = std::to_string(spaces) + " 个空间";
    if (domains) text.summary += (spaces ? "、" : "") + std::to_string(domains) + " 个域名";
    text.summary += "即将到期";
    for (std::size_t i = 0; i < items.size() && i < kLinesShown; ++i)
        text.body += (i ? "\n" : "") + Line(items[i], today);
    if (items.size() > kLinesShown) text.body += "\n……共 " + std::to_string(items.size()) + " 项";
    text.overdue = std::any_of(items.begin(), items.end(),
                               [&](const data::DueItem& item) { return item.date < today; });
    return text;
}

std::string MessageText(const ReminderText& text) { return "Sitora：" + text.summary + "\n" + text.body; }

}  // namespace sitora::remind
