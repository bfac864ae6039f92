#pragma once
// Reading a list of records from outside: the program's own CSV (';', quoted) and text (tab)
// exports, and spreadsheet CSV (','), in UTF-8 (with or without a byte-order mark) or code
// page 936. The first line names the columns, by the titles the program shows or by column.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/data/schema.h"

namespace sitora::data {

struct ListRow {
    std::size_t line;                // where the row starts, counted from 1
    std::vector<std::string> cells;  // UTF-8, as they stand (quotes removed)
};

struct ListFile {
    char separator = ',';
    bool code_page_936 = false;  // else UTF-8
    // For each of kRecordColumns, the cell that holds it, or -1.
    std::array<int, kRecordColumns.size()> cell_of{};
    std::vector<ListRow> rows;
};

// The column a heading names ("网站编号", "web_id", "网站空间到期时间：", ...), or nothing.
std::optional<std::string_view> ColumnForHeading(std::string_view heading);

// Throws DataError, naming the line, for bytes that are neither UTF-8 nor code page 936, a
// quote left open, a heading that names no column or one twice, or a missing number or date
// column. Blank lines are left out.
ListFile ReadListFile(std::string_view bytes);

}  // namespace sitora::data
