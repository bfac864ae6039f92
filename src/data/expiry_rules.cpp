#include "data/expiry_rules.h"

#include <algorithm>
#include <charconv>

#include "data/data_error.h"
#include "data/catalogue/statements.h"
#include "base/text/byte_strings.h"

namespace sitora::data {
namespace {

constexpr int kLongestLeadTime = 36500;  // days; beyond it a threshold leaves the calendar

int LeadTime(FieldValue value) {
    if (!value) throw DataError("a lead time is empty");
    const std::string_view text = text::TrimBlanks(*value);
    int days = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || days < -kLongestLeadTime ||
        days > kLongestLeadTime)
        throw DataError("a lead time is not a whole number of days");
    return days;
}

}  // namespace

Thresholds ReadThresholds(TADOQuery& query, const text::Date& today) {
    query.Close();
    query.SetSQL(sql::kLeadTimes);
    query.Open();
    if (query.RecordCount() == 0) {
        query.Close();
        throw DataError("t_set has no row");
    }
    const int space_days = LeadTime(query.FieldByName("web_alarm"));
    const int domain_days = LeadTime(query.FieldByName("domain_alarm"));
    query.Close();
    // The lead times warn ahead: what runs out within them is due today.
    return {text::AddDays(today, space_days), text::AddDays(today, domain_days)};
}

std::vector<RunOut> ListRunOuts(TADOQuery& query, const Thresholds& thresholds) {
    query.Close();
    query.SetSQL(sql::ExpiryList(text::ShortDate(thresholds.space), text::ShortDate(thresholds.domain)));
    query.Open();
    const ResultSet& rows = query.Rows();
    auto text_of = [&](int row, const char* column) { return AsString(query.Value(row, rows.ColumnIndex(column))); };
    std::vector<RunOut> items;
    for (int row = 0; row < query.RecordCount(); ++row) {
        const struct {
            const char* column;
            bool is_space;
            const text::Date& threshold;
        } checks[] = {{"web_endtime", true, thresholds.space}, {"web_enddomaintime", false, thresholds.domain}};
        for (const auto& check : checks) {
            const auto date = text::ParseDate(text_of(row, check.column));
            if (date && *date <= check.threshold)
                items.push_back({*date, check.is_space, text_of(row, "web_id"), text_of(row, "web_name"),
                                 text_of(row, "web_address")});
        }
    }
    query.Close();
    std::stable_sort(items.begin(), items.end(), [](const RunOut& a, const RunOut& b) { return a.date < b.date; });
    return items;
}

int CountDue(TADOQuery& query, std::string_view statement, const char* parameter, const text::Date& threshold) {
    query.Close();
    query.SetSQL(statement);
    query.SetParameter(parameter, text::ShortDate(threshold));
    query.Open();
    const int count = query.RecordCount();
    query.Close();
    return count;
}

}  // namespace sitora::data
