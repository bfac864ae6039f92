#pragma once
// The register's columns and the kinds of their values, shared by every engine, the import and
// the windows.
#include <array>
#include <cstddef>
#include <string_view>

namespace sitora::data {

// Columns that hold calendar dates, stored as 'YYYY-MM-DD' so that text order is date order.
inline constexpr std::array<std::string_view, 4> kDateColumns = {
    "web_time", "web_endtime", "web_domaintime", "web_enddomaintime"};

// Columns that hold scrambled bytes; they are kept as BLOBs and come back byte for byte.
inline constexpr std::array<std::string_view, 8> kProtectedColumns = {
    "web_user", "web_pass", "web_domainuser", "web_domainpass",
    "web_dbname", "web_dbip", "web_dbuser", "web_dbpass"};

// t_set's lead times, whole numbers of days.
inline constexpr std::array<std::string_view, 2> kLeadTimeColumns = {"web_alarm", "domain_alarm"};

bool IsDateColumn(std::string_view column);
bool IsProtectedColumn(std::string_view column);
bool IsLeadTimeColumn(std::string_view column);

// What a column's values are, as parameters carry them.
enum class ValueKind : char {
    kText = 't',       // UTF-8 text
    kDate = 'd',       // a calendar date, in its stored form
    kProtected = 'p',  // the scrambled bytes of an account
    kNumber = 'n',     // a whole number (of days)
};
ValueKind KindOf(std::string_view column);

// The columns of t_webinfo that hold a record's values, in table order (all but id).
inline constexpr std::array<std::string_view, 23> kRecordColumns = {
    "web_id", "web_name", "web_address", "web_login", "web_user", "web_pass", "web_ip", "web_size",
    "web_domain", "web_domainuser", "web_domainpass", "web_linkman", "web_dbname", "web_dbsize",
    "web_dbip", "web_dbuser", "web_dbpass", "web_dbtype", "web_time", "web_endtime", "web_domaintime",
    "web_enddomaintime", "web_remark"};

// KindOf each of kRecordColumns, by position.
const std::array<ValueKind, kRecordColumns.size()>& RecordColumnKinds();

// The position of a column in kRecordColumns (kRecordColumns.size() for none).
constexpr std::size_t RecordColumnIndex(std::string_view column) {
    std::size_t c = 0;
    while (c < kRecordColumns.size() && kRecordColumns[c] != column) ++c;
    return c;
}

}  // namespace sitora::data
