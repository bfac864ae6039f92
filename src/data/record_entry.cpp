#include "data/record_entry.h"

#include <algorithm>

#include "data/ado_query.h"
#include "data/data_error.h"
#include "data/statement_translation.h"
#include "data/catalogue/statements.h"
#include "base/text/byte_strings.h"
#include "base/text/cp936.h"
#include "protect/sealed_value.h"

namespace sitora::data {
namespace {

std::size_t IndexOf(std::string_view column) {
    const std::size_t index = RecordColumnIndex(column);
    if (index == kRecordColumns.size()) throw DataError("no record column " + std::string(column));
    return index;
}

}  // namespace

std::string& RecordEntry::operator[](std::string_view column) { return values_[IndexOf(column)]; }
const std::string& RecordEntry::operator[](std::string_view column) const { return values_[IndexOf(column)]; }

std::string TrimmedNumber(const RecordEntry& entry) {
    return std::string(text::TrimBlanks(entry.At(RecordColumnIndex("web_id"))));
}

bool NumberLongEnough(std::string_view trimmed_number) { return text::Cp936Length(trimmed_number) >= 6; }

std::optional<std::string_view> DateOrderRefusal(const ListDate& space_purchase, const ListDate& space_expiry,
                                                 const ListDate& domain_application, const ListDate& domain_expiry) {
    if (space_expiry < space_purchase) return kSpaceDatesOutOfOrder;
    if (domain_expiry < domain_application) return kDomainDatesOutOfOrder;
    return std::nullopt;
}

StoredRecord StoredValues(const RecordEntry& entry, const protect::SecretBytes& register_key) {
    const auto& kind = RecordColumnKinds();
    constexpr std::size_t address = RecordColumnIndex("web_address"), remark = RecordColumnIndex("web_remark");
    const std::string_view stored_address = text::TrimBlanks(entry.At(address));
    StoredRecord stored;
    std::size_t room = kProtectedColumns.size() * 64;
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) room += entry.At(c).size();
    stored.Reserve(room);
    std::string bytes;
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
        const std::string& given = entry.At(c);
        if (kind[c] == ValueKind::kProtected) {
            text::ToCp936Into(given, bytes);
            stored.Append(protect::SealValue(register_key, kRecordColumns[c], stored_address, bytes));
            protect::Wipe(bytes);
        } else if (kind[c] == ValueKind::kDate) {
            stored.Append(StoredDateOf(given));
        } else {
            stored.Append(c == remark ? std::string_view(given) : text::TrimBlanks(given));
        }
    }
    return stored;
}

void InsertRecord(TADOQuery& query, const RecordEntry& entry, const protect::SecretBytes& register_key) {
    InsertStoredRecord(query, StoredValues(entry, register_key));
}

void InsertStoredRecord(TADOQuery& query, const StoredRecord& stored) {
    // Every parameter is set each time: a run after the last one keeps none of its values.
    if (query.SQL() == sql::kInsertRecord) query.ResetForNewValues();
    else query.SetSQL(sql::kInsertRecord);
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c)
        query.SetParameter(kRecordColumns[c], std::string(stored.Value(c)));
    query.ExecSQL();
}

}  // namespace sitora::data
