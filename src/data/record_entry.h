#pragma once
// A new record, and the rules every way of adding one follows (the add window, an imported
// list): the number's length, no second address or number, the date order, then statement 4
// with the account columns protected.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/catalogue/columns.h"
#include "protect/secret_bytes.h"

namespace sitora::data {

class TADOQuery;

inline constexpr std::string_view kNumberTooShort = "网站编号不能为空,并且位数不能小于6位";
inline constexpr std::string_view kAddressExists = "此网站地址已经存在";
inline constexpr std::string_view kNumberExists = "此网站编号已经存在";
inline constexpr std::string_view kSpaceDatesOutOfOrder = "网站到期时间不能小网站申请日期";
inline constexpr std::string_view kDomainDatesOutOfOrder = "域名到期时间不能小域名申请日期";
// The register's key was wrapped under another data key: nothing can be sealed for it.
inline constexpr const char* kKeyDoesNotOpen =
    "the data key does not open this register's accounts: they were protected under another data key";

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

// A record's values as the register stores them, by position in kRecordColumns, side by side
// in one buffer: a record costs one allocation, an import of many a few.
class StoredRecord {
public:
    std::string_view Value(std::size_t column) const {
        const std::uint32_t begin = column ? ends_[column - 1] : 0;
        return std::string_view(bytes_).substr(begin, ends_[column] - begin);
    }
    void Reserve(std::size_t bytes) { bytes_.reserve(bytes); }
    void Append(std::string_view value) {
        bytes_ += value;
        ends_[filled_++] = static_cast<std::uint32_t>(bytes_.size());
    }

private:
    std::string bytes_;
    std::array<std::uint32_t, kRecordColumns.size()> ends_{};
    std::size_t filled_ = 0;
};

// The values the insert statement stores for the entry: plain columns without blanks at either
// end, the remark as given, the dates in their stored form, the accounts (code page 936 bytes)
// sealed under the register key, each bound to its column and the record's address. Throws
// DataError for a date that is no real date.
StoredRecord StoredValues(const RecordEntry& entry, const protect::SecretBytes& register_key);

// Runs the insert statement on `query` with the entry's stored values.
void InsertRecord(TADOQuery& query, const RecordEntry& entry, const protect::SecretBytes& register_key);
void InsertStoredRecord(TADOQuery& query, const StoredRecord& stored);

}  // namespace sitora::data
