#include "app/data/record_entry.h"

#include <algorithm>

#include "app/data/ado_query.h"
#include "app/data/data_error.h"
#include "app/data/statements.h"
#include "app/text/byte_strings.h"
#include "app/text/cp936.h"
#include "protect/protected_fields.h"

namespace sitora::data {
namespace {

std::size_t IndexOf(std::string_view column) {
    const auto found = std::find(kRecordColumns.begin(), kRecordColumns.end(), column);
    if (found == kRecordColumns.end()) throw DataError("no record column " + std::string(column));
    return static_cast<std::size_t>(found - kRecordColumns.begin());
}

}  // namespace

std::string& RecordEntry::operator[](std::string_view column) { return values_[IndexOf(column)]; }
const std::string& RecordEntry::operator[](std::string_view column) const { return values_[IndexOf(column)]; }

std::string TrimmedNumber(const RecordEntry& entry) { return std::string(text::TrimBlanks(entry["web_id"])); }

bool NumberLongEnough(std::string_view trimmed_number) { return text::Cp936Length(trimmed_number) >= 6; }

std::optional<std::string_view> DateOrderRefusal(const ListDate& space_purchase, const ListDate& space_expiry,
                                                 const ListDate& domain_application, const ListDate& domain_expiry) {
    if (space_expiry < space_purchase) return kSpaceDatesOutOfOrder;
    if (domain_expiry < domain_application) return kDomainDatesOutOfOrder;
    return std::nullopt;
}

void InsertRecord(TADOQuery& query, const RecordEntry& entry, std::string_view data_key) {
    const std::string number = TrimmedNumber(entry);
    const std::string number_bytes = text::ToCp936(number);
    // Every parameter is set each time: a run after the last one keeps none of its values.
    if (query.SQL() == sql::kInsertRecord) query.Rerun();
    else query.SetSQL(sql::kInsertRecord);
    static const auto protected_column = [] {
        std::array<bool, kRecordColumns.size()> flags{};
        for (std::size_t c = 0; c < flags.size(); ++c) flags[c] = IsProtectedColumn(kRecordColumns[c]);
        return flags;
    }();
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
        const std::string_view column = kRecordColumns[c];
        const std::string& given = entry.At(c);
        if (column == "web_domainuser")
            query.SetParameter(column, protect::ProtectDomainUser(text::ToCp936(given), number_bytes, data_key));
        else if (protected_column[c])
            query.SetParameter(column, protect::ProtectValue(text::ToCp936(given), number_bytes));
        else if (column == "web_remark")
            query.SetParameter(column, given);
        else
            query.SetParameter(column, std::string(text::TrimBlanks(given)));
    }
    query.ExecSQL();
}

}  // namespace sitora::data
