#pragma once
// The dates section of a record: its four dates as stored, and their one save, shared by the
// detail window and the adoption of a registry's date.
#include <optional>
#include <string>
#include <string_view>

#include "data/ado_query.h"

namespace sitora::data {

struct RecordDates {
    std::string space_purchase, space_expiry, domain_application, domain_expiry;  // as stored
};

// Readies `query` with the dates save of `dates`; the caller names the record (":web_address")
// and runs it.
void PrepareDatesSave(TADOQuery& query, const RecordDates& dates);

// The dates of the record at `address` as stored; nothing when no record has it.
std::optional<RecordDates> LoadDates(TADOQuery& query, std::string_view address);

}  // namespace sitora::data
