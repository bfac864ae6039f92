#include "data/single_table_select.h"

#include <strings.h>

namespace sitora::data {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool KeywordAt(std::string_view sql, std::size_t pos, std::string_view keyword) {
    return pos + keyword.size() <= sql.size() &&
           strncasecmp(sql.data() + pos, keyword.data(), keyword.size()) == 0 &&
           (pos == 0 || !IsWordChar(sql[pos - 1])) &&
           (pos + keyword.size() == sql.size() || !IsWordChar(sql[pos + keyword.size()]));
}

// The first position from `pos` on, outside quoted text, where `stop` holds; the end of `sql`
// when there is none.
template <typename Stop>
std::size_t FindOutsideQuotes(std::string_view sql, std::size_t pos, Stop stop) {
    for (char quote = 0; pos < sql.size(); ++pos) {
        const char c = sql[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (stop(pos)) {
            break;
        }
    }
    return pos;
}

}  // namespace

std::optional<SingleTableSelect> ParseSingleTableSelect(std::string_view sql) {
    std::size_t pos = 0;
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    if (!KeywordAt(sql, pos, "select")) return std::nullopt;
    SingleTableSelect select;
    select.columns_begin = pos + 6;
    pos = FindOutsideQuotes(sql, select.columns_begin, [&](std::size_t at) {
        if (sql[at] == '(') select.computes = true;
        return KeywordAt(sql, at, "from");
    });
    if (pos >= sql.size()) return std::nullopt;
    pos += 4;
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    const std::size_t name_begin = pos;
    while (pos < sql.size() && IsWordChar(sql[pos])) ++pos;
    if (pos == name_begin) return std::nullopt;
    select.table = std::string(sql.substr(name_begin, pos - name_begin));
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    // Joins, groups and the like are no plain table; a where and the table order may follow.
    if (pos < sql.size() && !KeywordAt(sql, pos, "where") && !KeywordAt(sql, pos, "order")) return std::nullopt;
    const auto order_by = [&](std::size_t at) { return KeywordAt(sql, at, "order"); };
    select.ordered = FindOutsideQuotes(sql, pos, order_by) < sql.size();
    return select;
}

}  // namespace sitora::data
