#pragma once
// The check's side of the register: the records it checks, and the one change it may make — a
// registry's later run-out date adopted, with the user's word, by the detail window's dates save.
#include <optional>
#include <string>
#include <vector>

#include "data/ado_query.h"
#include "check/site_check.h"

namespace sitora::check {

// Every record (or the one at `address`, found as the register finds it: letter case ignored) with its domain, address and domain run-out date.
std::vector<CheckedRecord> ReadCheckedRecords(data::TADOQuery& query, const std::optional<std::string>& address = {});

// The lead time for spaces in days (t_set), which certificates share.
int CertificateLeadDays(data::TADOQuery& query, const text::Date& today);

// Writes `date` as the domain run-out date of the record at `address`, its other three dates as
// stored. Throws data::DataError (or std::runtime_error when the record is gone).
void AdoptRegistryDate(data::TADOQuery& query, const std::string& address, const text::Date& date);

}  // namespace sitora::check
