#pragma once
// A spreadsheet's first worksheet as the text of a list (CSV in UTF-8, every cell quoted), for the
// list import: the program's own .xls export (a bare BIFF worksheet stream in code page 936) and
// Excel 97-2003 workbooks (an OLE compound file, read with libfreexl).
#include <filesystem>
#include <string>
#include <string_view>

namespace sitora::data {

// True when a file's first bytes are those of either kind.
bool LooksLikeSpreadsheet(std::string_view first_bytes);

// The list text of the spreadsheet at `path`. Throws DataError saying what is wrong with a
// damaged or foreign file.
std::string SpreadsheetAsList(const std::filesystem::path& path);

// The list text of a bare BIFF worksheet stream. Throws DataError.
std::string BareBiffAsList(std::string_view stream);

}  // namespace sitora::data
