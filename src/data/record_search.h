#pragma once
// Finding a record in a loaded list by one of the eight query types of the search bar.
#include <optional>
#include <stdexcept>
#include <string_view>

#include "data/result_set.h"

namespace sitora::data {

struct SearchType {
    std::string_view caption;  // as the query type list shows it
    std::string_view column;
    bool is_date;
};

inline constexpr SearchType kSearchTypes[] = {
    {"网站编号", "web_id", false},          {"网站名称", "web_name", false},
    {"网站地址", "web_address", false},     {"网站联系人", "web_linkman", false},
    {"网站申请日期", "web_time", true},     {"网站到期日期", "web_endtime", true},
    {"域名申请日期", "web_domaintime", true}, {"域名到期日期", "web_enddomaintime", true},
};

// The type whose caption the list shows, or nothing for an unknown caption.
std::optional<SearchType> SearchTypeByCaption(std::string_view caption);

// A keyword that cannot be used for the column (no date for a date column).
class SearchError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The first row from the top whose column matches: text columns begin with the keyword,
// ASCII letters compared without case (an empty keyword matches only an empty value);
// date columns hold the date the keyword names. The keyword is taken without the blanks
// at its ends. Throws SearchError for an unusable keyword.
std::optional<int> FindRecord(const ResultSet& rows, const SearchType& type, std::string_view keyword);

}  // namespace sitora::data
