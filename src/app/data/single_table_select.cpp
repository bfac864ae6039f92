#include "app/data/single_table_select.h"

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

}  // namespace

std::optional<SingleTableSelect> ParseSingleTableSelect(std::string_view sql) {
    std::size_t pos = 0;
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    if (!KeywordAt(sql, pos, "select")) return std::nullopt;
    SingleTableSelect select;
    select.columns_begin = pos + 6;
    char quote = 0;
    for (pos = select.columns_begin; pos < sql.size(); ++pos) {
        const char c = sql[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (KeywordAt(sql, pos, "from")) {
            break;
        } else if (c == '(') {
            select.computes = true;
        }
    }
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
    for (quote = 0; pos < sql.size(); ++pos) {
        const char c = sql[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (KeywordAt(sql, pos, "order")) {
            select.ordered = true;
        }
    }
    return select;
}

}  // namespace sitora::data
