#pragma once
// Reading the eight account columns of one record: the key test on the domain user, then
// every column revealed without the record number (and the domain user without the key).
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace sitora::protect {

// A column's stored bytes by name, nothing for NULL.
using ColumnReader = std::function<std::optional<std::string_view>(std::string_view column)>;

// The revealed values (code page 936 bytes) by column name, or nothing when the record's
// domain user fails the key test for `data_key`. `number` is the record's web_id in code
// page 936.
std::optional<std::map<std::string, std::string>> RevealAccounts(const ColumnReader& column, std::string_view number,
                                                                 std::string_view data_key);

}  // namespace sitora::protect
