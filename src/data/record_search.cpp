#include "data/record_search.h"

#include "base/text/byte_strings.h"
#include "base/text/dates.h"

namespace sitora::data {
namespace {

// The next character of UTF-8 text at `pos` (which moves past it); a stray byte stands for itself.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || pos + static_cast<std::size_t>(length) > text.size()) {
        ++pos;
        return lead;
    }
    char32_t code = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) code = code << 6 | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    pos += static_cast<std::size_t>(length);
    return code;
}

// The small letter of every capital code page 936 holds: Latin, full-width Latin, Greek and
// Cyrillic.
char32_t Folded(char32_t c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) ||
        (c >= 0x0410 && c <= 0x042F))
        return c + 0x20;
    if (c == 0x0401) return 0x0451;  // Ё
    return c;
}

bool StartsWithIgnoringCase(std::string_view value, std::string_view prefix) {
    std::size_t v = 0, p = 0;
    while (p < prefix.size()) {
        if (v >= value.size()) return false;
        const auto a = static_cast<unsigned char>(value[v]), b = static_cast<unsigned char>(prefix[p]);
        if (a < 0x80 && b < 0x80) {  // the common case, byte by byte
            if (Folded(a) != Folded(b)) return false;
            ++v;
            ++p;
            continue;
        }
        if (Folded(NextCharacter(value, v)) != Folded(NextCharacter(prefix, p))) return false;
    }
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
