#pragma once
// A new record, and the rules every way of adding one follows (the add window, an imported
// list): the number's length, no second address or number, the date order, then statement 4
// with the account columns protected.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/data/schema.h"

namespace sitora::data {

class TADOQuery;

inline constexpr std::string_view kNumberTooShort = "网站编号不能为空,并且位数不能小于6位";
inline constexpr std::string_view kAddressExists = "此网站地址已经存在";
inline constexpr std::string_view kNumberExists = "此网站编号已经存在";
inline constexpr std::string_view kSpaceDatesOutOfOrder = "网站到期时间不能小网站申请日期";
inline constexpr std::string_view kDomainDatesOutOfOrder = "域名到期时间不能小域名申请日期";

// A date as the lists give it: three whole numbers, compared year first.
struct ListDate {
    int year;
    int month;
    int day;
    auto operator<=>(const ListDate&) const = default;
};

// Each column's text as it was given (UTF-8, untrimmed); the dates as "year-month-day".
class RecordEntry {
public:
    std::string& operator[](std::string_view column);
    const std::string& operator[](std::string_view column) const;
    // By position in kRecordColumns.
    std::string& At(std::size_t column) { return values_.at(column); }
    const std::string& At(std::size_t column) const { return values_.at(column); }

private:
    std::array<std::string, kRecordColumns.size()> values_;
};

// The number with blanks removed: the record's key.
std::string TrimmedNumber(const RecordEntry& entry);
// At least 6 bytes in code page 936, after trimming.
bool NumberLongEnough(std::string_view trimmed_number);
// The first date order that fails, as the add window words it; equal dates pass.
std::optional<std::string_view> DateOrderRefusal(const ListDate& space_purchase, const ListDate& space_expiry,
                                                 const ListDate& domain_application, const ListDate& domain_expiry);

// Runs the insert statement on `query`: plain columns without blanks at either end, the remark
// as given, the accounts protected with the number (the domain user also with `data_key`, code
// page 936 bytes).
void InsertRecord(TADOQuery& query, const RecordEntry& entry, std::string_view data_key);

}  // namespace sitora::data
