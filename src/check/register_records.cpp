#include "check/register_records.h"

#include <stdexcept>

#include "data/catalogue/statements.h"
#include "data/expiry_rules.h"
#include "data/record_dates.h"
#include "data/result_set.h"
#include "base/text/byte_strings.h"

namespace sitora::check {
namespace {

std::optional<text::Date> StoredDate(const std::string& stored) {
    // A date kept with a time of day ("2027-3-1 0:00:00", from an old register) is still that date.
    return text::ParseDate(stored.substr(0, stored.find(' ')));
}

}  // namespace

std::vector<CheckedRecord> ReadCheckedRecords(data::TADOQuery& query, const std::optional<std::string>& address) {
    query.Close();
    query.SetSQL(data::sql::kCheckList);
    query.Open();
    // As the register's own look-ups find an address: blanks around it dropped, letter case ignored.
    const std::string wanted = address ? text::AsciiLower(text::TrimBlanks(*address)) : std::string();
    std::vector<CheckedRecord> records;
    for (int row = 0; row < query.RecordCount(); ++row) {
        const auto cell = [&](int column) { return data::AsString(query.Value(row, column)); };
        CheckedRecord record{cell(0), cell(1), cell(2), cell(3), StoredDate(cell(4))};
        if (!address || text::AsciiLower(record.address) == wanted) records.push_back(std::move(record));
    }
    query.Close();
    return records;
}

int CertificateLeadDays(data::TADOQuery& query, const text::Date& today) {
    return text::DaysBetween(today, data::ReadThresholds(query, today).space);
}

void AdoptRegistryDate(data::TADOQuery& query, const std::string& address, const text::Date& date) {
    std::optional<data::RecordDates> dates = data::LoadDates(query, address);
    if (!dates) throw std::runtime_error("the record is gone");
    dates->domain_expiry = text::ShortDate(date);
    data::PrepareDatesSave(query, *dates);
    query.SetParameter("web_address", address);
    if (query.ExecSQL() == 0) throw std::runtime_error("the record is gone");
}

}  // namespace sitora::check
