#include "remind/due_now.h"

#include <algorithm>

#include "remind/check_findings.h"

namespace sitora::remind {

DueNow ListDueNow(data::TADOQuery& query, const std::string& register_id, const text::Date& today,
                  const std::vector<int>& heads_up_days) {
    const data::Thresholds lead = data::ReadThresholds(query, today);
    data::Thresholds reach = lead;
    if (!heads_up_days.empty()) {
        const text::Date furthest = text::AddDays(today, heads_up_days.front());
        reach = {std::max(lead.space, furthest), std::max(lead.domain, furthest)};
    }
    DueNow now;
    now.heads_up_days = heads_up_days;
    for (data::RunOut& run_out : data::ListRunOuts(query, reach)) {
        DueItem item{run_out.date, run_out.is_space ? DueKind::kSpace : DueKind::kDomain, std::move(run_out.number),
                     std::move(run_out.name), std::move(run_out.address)};
        const text::Date& threshold = item.kind == DueKind::kSpace ? lead.space : lead.domain;
        if (item.date <= threshold) {
            now.due.push_back(std::move(item));
            continue;
        }
        // Its stage is the nearest heads-up it is within; it entered that stage `days` before it runs out.
        const int days_left = text::DaysBetween(today, item.date);
        int stage = heads_up_days.front();
        for (int days : heads_up_days)
            if (days >= days_left) stage = days;
        const text::Date entered = text::AddDays(item.date, -stage);
        now.ahead.push_back({std::move(item), entered});
    }
    const auto findings = CheckFindingsDue(register_id, lead);
    now.due.insert(now.due.end(), findings.begin(), findings.end());
    if (!findings.empty()) now.last_check = LastCheckOf(register_id);
    return now;
}

}  // namespace sitora::remind
