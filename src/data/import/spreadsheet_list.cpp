#include "data/import/spreadsheet_list.h"

#include <freexl.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "data/data_error.h"
#include "data/import/list_file.h"
#include "base/files/file_ops.h"
#include "base/files/isolated_call.h"
#include "base/text/cp936.h"

namespace sitora::data {
namespace {

ListFileError Damaged(const std::string& english) {
    return ListFileError(ListFault::kDamagedSpreadsheet, english, 0, english);
}

constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint32_t kMostRows = 65536;
constexpr std::uint32_t kMostColumns = 256;

using Cells = std::map<std::pair<std::uint32_t, std::uint32_t>, std::string>;  // (row, column) -> UTF-8

std::uint16_t Get16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Get32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Get16(bytes, at)) | static_cast<std::uint32_t>(Get16(bytes, at + 2)) << 16;
}

// A number as a list cell: whole numbers without a fraction ("100001", not "100001.0").
std::string NumberText(double value) {
    if (!std::isfinite(value)) return {};
    if (value == std::floor(value) && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string();
}

std::string CsvOf(const Cells& cells) {
    std::string csv;
    std::uint32_t row = 0, column = 0;
    bool first = true;
    for (const auto& [at, text] : cells) {
        if (first) {
            row = at.first;
            first = false;
        }
        while (row < at.first) {
            csv += "\r\n";
            ++row;
            column = 0;
        }
        while (column < at.second) {
            csv += ',';
            ++column;
        }
        csv += '"';
        for (const char c : text) csv += c == '"' ? std::string("\"\"") : std::string(1, c);
        csv += '"';
    }
    return first ? csv : csv + "\r\n";
}

void Keep(Cells& cells, std::uint32_t row, std::uint32_t column, std::string text) {
    if (row >= kMostRows || column >= kMostColumns) throw Damaged("the worksheet has a cell beyond its rows or columns");
    if (!text.empty()) cells[{row, column}] = std::move(text);
}

std::string WorkbookAsList(const std::filesystem::path& path) {
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK) {
        if (handle) freexl_close(handle);
        throw Damaged("the .xls file cannot be read: it is damaged, protected, or no Excel 97-2003 workbook");
    }
    const std::unique_ptr<const void, int (*)(const void*)> workbook(handle, freexl_close);
    unsigned int sheets = 0;
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0 ||
        freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
        throw Damaged("the .xls file has no worksheet that can be read");
    Cells cells;
    for (unsigned int row = 0; row < rows; ++row)
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle, row, column, &cell) != FREEXL_OK) continue;
            switch (cell.type) {
            case FREEXL_CELL_INT: Keep(cells, row, column, std::to_string(cell.value.int_value)); break;
            case FREEXL_CELL_DOUBLE: Keep(cells, row, column, NumberText(cell.value.double_value)); break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (cell.value.text_value) Keep(cells, row, column, cell.value.text_value);
                break;
            default: break;
            }
        }
    return CsvOf(cells);
}

}  // namespace

bool LooksLikeSpreadsheet(std::string_view first_bytes) {
    if (first_bytes.starts_with(kCompoundFile)) return true;
    // A BIFF BOF record of any version: 0x0009, 0x0209, 0x0409 or 0x0809.
    return first_bytes.size() >= 4 && first_bytes[0] == '\x09' &&
           (first_bytes[1] == '\x00' || first_bytes[1] == '\x02' || first_bytes[1] == '\x04' || first_bytes[1] == '\x08');
}

std::string BareBiffAsList(std::string_view stream) {
    Cells cells;
    bool ended = false;
    for (std::size_t at = 0; at < stream.size() && !ended;) {
        if (stream.size() - at < 4) throw Damaged("the .xls file ends inside a record");
        const std::uint16_t type = Get16(stream, at), length = Get16(stream, at + 2);
        if (stream.size() - at - 4 < length) throw Damaged("the .xls file ends inside a record");
        const std::string_view body = stream.substr(at + 4, length);
        at += 4 + length;
        const auto need = [&](std::size_t bytes) {
            if (body.size() < bytes) throw Damaged("the .xls file holds a damaged cell record");
        };
        switch (type) {
        case 0x0204: {  // LABEL: row, column, format, length, code page 936 text
            need(8);
            const std::uint16_t size = Get16(body, 6);
            need(8u + size);
            Keep(cells, Get16(body, 0), Get16(body, 2), text::FromCp936(body.substr(8, size)));
            break;
        }
        case 0x0203: {  // NUMBER
            need(14);
            std::uint64_t bits = static_cast<std::uint64_t>(Get32(body, 6)) | static_cast<std::uint64_t>(Get32(body, 10)) << 32;
            double value;
            std::memcpy(&value, &bits, sizeof value);
            Keep(cells, Get16(body, 0), Get16(body, 2), NumberText(value));
            break;
        }
        case 0x027E: {  // RK: a whole number (bit 1) or a double's high bits, either perhaps /100 (bit 0)
            need(10);
            const std::uint32_t rk = Get32(body, 6);
            double value;
            if (rk & 2) {
                value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
            } else {
                const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
                std::memcpy(&value, &bits, sizeof value);
            }
            if (rk & 1) value /= 100;
            Keep(cells, Get16(body, 0), Get16(body, 2), NumberText(value));
            break;
        }
        case 0x000A: ended = true; break;  // EOF
        default: break;                    // BOF, CODEPAGE, BLANK and the like hold no text
        }
    }
    return CsvOf(cells);
}

std::string SpreadsheetAsList(const std::filesystem::path& path) {
    const auto bytes = files::ReadWholeFile(path);
    if (!bytes) throw ListFileError(ListFault::kUnreadable, "cannot read " + path.string(), 0, "无法打开");
    if (bytes->starts_with(kCompoundFile)) {
        // libfreexl reads a workbook in a child process, as libmdb reads an Access file: a
        // hostile file that upsets it stops only the child, and the import reports it.
        try {
            return files::CallIsolated([&] { return WorkbookAsList(path); });
        } catch (const files::IsolatedCallError& error) {
            throw Damaged(error.ChildDied() ? "the .xls file is damaged: " + std::string(error.what()) : error.what());
        }
    }
    if (!LooksLikeSpreadsheet(*bytes)) throw Damaged("the file is no .xls worksheet");
    return BareBiffAsList(*bytes);
}

}  // namespace sitora::data
