#include "app/data/record_search.h"

#include "app/text/byte_strings.h"
#include "app/text/dates.h"

namespace sitora::data {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view value, std::string_view prefix) {
    if (prefix.size() > value.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (FoldAscii(value[i]) != FoldAscii(prefix[i])) return false;
    return true;
}

}  // namespace

std::optional<SearchType> SearchTypeByCaption(std::string_view caption) {
    for (const SearchType& type : kSearchTypes)
        if (type.caption == caption) return type;
    return std::nullopt;
}

std::optional<int> FindRecord(const ResultSet& rows, const SearchType& type, std::string_view keyword) {
    const int column = rows.ColumnIndex(type.column);
    if (column < 0) throw SearchError("the list has no column " + std::string(type.column));
    keyword = text::TrimBlanks(keyword);
    if (!type.is_date) {
        if (keyword.empty()) return rows.Find(column, [](FieldValue v) { return !v || v->empty(); });
        return rows.Find(column, [keyword](FieldValue v) { return v && StartsWithIgnoringCase(*v, keyword); });
    }
    auto wanted = text::ParseDate(keyword);
    if (!wanted) throw SearchError("not a date: " + std::string(keyword));
    return rows.Find(column, [&wanted](FieldValue v) { return v && text::ParseDate(*v) == wanted; });
}

}  // namespace sitora::data
