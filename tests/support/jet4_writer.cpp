#include "support/jet4_writer.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "data/access/access_reader.h"
#include "base/text/cp936.h"

namespace sitora::test {
namespace {

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kDataHeader = 14;  // type, 1, free space, table page, 4 unknown, row count
constexpr std::size_t kUsageMapBytes = 64;
using Page = std::array<std::uint8_t, kPageSize>;

void Put16(std::uint8_t* at, std::uint32_t value) {
    at[0] = value & 0xFF;
    at[1] = (value >> 8) & 0xFF;
}
void Put32(std::uint8_t* at, std::uint32_t value) {
    Put16(at, value & 0xFFFF);
    Put16(at + 2, value >> 16);
}

class Bytes {
public:
    void U8(std::uint32_t v) { bytes_.push_back(v & 0xFF); }
    void U16(std::uint32_t v) { U8(v), U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void Append(const std::string& raw) { bytes_.insert(bytes_.end(), raw.begin(), raw.end()); }
    void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& data() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// UTF-8 to UCS-2 little-endian (surrogate pairs for what lies beyond the first plane).
std::string Ucs2(const std::string& utf8) {
    std::string out;
    auto unit = [&](std::uint32_t u) { out += static_cast<char>(u & 0xFF), out += static_cast<char>(u >> 8); };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t cp = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

bool IsFixed(JetType type) { return type == JetType::kInt || type == JetType::kLong || type == JetType::kDateTime; }

std::size_t FixedSize(JetType type) {
    switch (type) {
        case JetType::kInt: return 2;
        case JetType::kLong: return 4;
        case JetType::kDateTime: return 8;
        default: return 0;
    }
}

struct Layout {
    std::vector<std::size_t> fixed_offset, var_number;
    std::size_t fixed_bytes = 0, var_count = 0;
};

Layout LayoutOf(const std::vector<JetColumn>& columns) {
    Layout layout;
    for (const auto& column : columns) {
        layout.fixed_offset.push_back(layout.fixed_bytes);
        layout.var_number.push_back(IsFixed(column.type) ? 0 : layout.var_count);
        if (IsFixed(column.type)) layout.fixed_bytes += FixedSize(column.type);
        else ++layout.var_count;
    }
    return layout;
}

std::string VarBytes(const JetColumn& column, const JetValue& value) {
    if (!std::holds_alternative<std::string>(value)) return {};
    const std::string text = Ucs2(std::get<std::string>(value));
    if (column.type != JetType::kMemo) return text;
    Bytes memo;  // the memo lives in the row itself: length with the 0x80 flag, no long-value page
    memo.U32(static_cast<std::uint32_t>(text.size()) | 0x80000000u);
    memo.Zeros(8);
    memo.Append(text);
    return std::string(memo.data().begin(), memo.data().end());
}

// One row: column count, fixed columns, variable columns, then (backwards from the end) the
// null mask, the variable column count, the variable offsets and the end of the data.
std::vector<std::uint8_t> Row(const JetTable& table, const std::vector<JetValue>& values) {
    const Layout layout = LayoutOf(table.columns);
    const std::size_t n = table.columns.size();
    std::vector<std::uint8_t> fixed(layout.fixed_bytes, 0);
    std::vector<std::string> vars(layout.var_count);
    std::vector<std::uint8_t> mask((n + 7) / 8, 0);
    for (std::size_t i = 0; i < n; ++i) {
        const JetValue& value = values.at(i);
        if (!std::holds_alternative<std::monostate>(value)) mask[i / 8] |= 1 << (i % 8);
        const JetColumn& column = table.columns[i];
        std::uint8_t* at = fixed.data() + layout.fixed_offset[i];
        if (column.type == JetType::kLong && std::holds_alternative<std::int32_t>(value))
            Put32(at, static_cast<std::uint32_t>(std::get<std::int32_t>(value)));
        else if (column.type == JetType::kInt && std::holds_alternative<std::int32_t>(value))
            Put16(at, static_cast<std::uint32_t>(std::get<std::int32_t>(value)));
        else if (column.type == JetType::kDateTime && std::holds_alternative<double>(value))
            std::memcpy(at, &std::get<double>(value), 8);
        else if (!IsFixed(column.type))
            vars[layout.var_number[i]] = VarBytes(column, value);
    }
    Bytes row;
    row.U16(n);
    for (auto b : fixed) row.U8(b);
    std::vector<std::size_t> starts;
    for (const auto& var : vars) {
        starts.push_back(row.size());
        row.Append(var);
    }
    if (layout.var_count > 0) {
        row.U16(row.size());  // end of the data
        for (std::size_t k = starts.size(); k-- > 0;) row.U16(starts[k]);
        row.U16(layout.var_count);
    }
    for (auto b : mask) row.U8(b);
    return row.data();
}

class File {
public:
    std::uint32_t NewPage() {
        pages_.emplace_back();
        pages_.back().fill(0);
        return static_cast<std::uint32_t>(pages_.size() - 1);
    }
    Page& operator[](std::uint32_t page) { return pages_[page]; }
    std::size_t size() const { return pages_.size(); }
    void Save(const std::filesystem::path& path) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const Page& page : pages_) out.write(reinterpret_cast<const char*>(page.data()), kPageSize);
        if (!out) throw std::runtime_error("cannot write " + path.string());
    }

    // Adds a row to a data page of `table_page`; returns false when it does not fit.
    bool AddRow(std::uint32_t page_number, const std::vector<std::uint8_t>& row) {
        Page& page = pages_[page_number];
        const std::size_t rows = page[12] | page[13] << 8;
        const std::size_t top = rows == 0 ? kPageSize : (page[kDataHeader + 2 * (rows - 1)] |
                                                         page[kDataHeader + 2 * (rows - 1) + 1] << 8);
        const std::size_t table_end = kDataHeader + 2 * (rows + 1);
        if (top < row.size() || top - row.size() < table_end) return false;
        const std::size_t start = top - row.size();
        std::memcpy(page.data() + start, row.data(), row.size());
        Put16(page.data() + kDataHeader + 2 * rows, start);
        Put16(page.data() + 12, rows + 1);
        Put16(page.data() + 2, start - table_end);
        return true;
    }
    std::uint32_t NewDataPage(std::uint32_t table_page) {
        const std::uint32_t number = NewPage();
        Page& page = pages_[number];
        page[0] = 0x01, page[1] = 0x01;
        Put16(page.data() + 2, kPageSize - kDataHeader);
        Put32(page.data() + 4, table_page);
        return number;
    }

private:
    std::vector<Page> pages_;
};

// Page 0: the Jet 4 signature, code page 936 and the Chinese sort order; no password, no key.
void WriteDatabasePage(Page& page) {
    const char signature[] = "\x00\x01\x00\x00Standard Jet DB";
    std::memcpy(page.data(), signature, sizeof signature);
    page[0x14] = 0x01;
    Put16(page.data() + 0x3C, 936);
    Put32(page.data() + 0x6E, 0x0804);
    data::ApplyJetHeaderMask(page.data() + 0x18, 128);
}

struct Definition {
    std::string name;
    std::vector<JetColumn> columns;
    bool system = false;
};

// A table definition page whose usage maps are rows `used_row` and `used_row + 1` of page 1.
void WriteDefinitionPage(Page& page, const Definition& table, std::uint32_t rows, std::uint32_t used_row) {
    const Layout layout = LayoutOf(table.columns);
    Bytes tdef;
    tdef.Zeros(8);  // page type and next page go in below
    tdef.U32(0);    // definition length, set below
    tdef.U32(0);
    tdef.U32(rows);
    tdef.U32(0);
    tdef.U8(1), tdef.Zeros(3), tdef.U32(0), tdef.Zeros(8);
    tdef.U8(table.system ? 0x53 : 0x4E);
    tdef.U16(table.columns.size());
    tdef.U16(layout.var_count);
    tdef.U16(table.columns.size());
    tdef.U32(0), tdef.U32(0);  // no indexes
    tdef.U32(1u << 8 | used_row);
    tdef.U32(1u << 8 | (used_row + 1));
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const JetColumn& column = table.columns[i];
        const bool fixed = IsFixed(column.type);
        tdef.U8(static_cast<std::uint8_t>(column.type));
        tdef.U32(0);
        tdef.U16(i);
        tdef.U16(fixed ? 0 : layout.var_number[i]);
        tdef.U16(i);
        tdef.U16(column.type == JetType::kText || column.type == JetType::kMemo ? 0x0804 : 0);
        tdef.U16(0);
        tdef.U8(fixed ? 0x03 : 0x02);
        tdef.U8(0);
        tdef.U32(0);
        tdef.U16(fixed ? layout.fixed_offset[i] : 0);
        tdef.U16(fixed ? FixedSize(column.type) : column.type == JetType::kText ? 510 : 0);
    }
    for (const auto& column : table.columns) {
        const std::string name = Ucs2(column.name);
        tdef.U16(name.size());
        tdef.Append(name);
    }
    tdef.U16(0xFFFF);
    if (tdef.size() > kPageSize) throw std::runtime_error("table definition too long: " + table.name);
    std::memcpy(page.data(), tdef.data().data(), tdef.size());
    page[0] = 0x02, page[1] = 0x01;
    Put16(page.data() + 2, kPageSize - tdef.size() - 8);
    Put32(page.data() + 8, tdef.size() - 8);
}

// A type 0 usage map covering pages 0 to 511.
std::vector<std::uint8_t> UsageMap(const std::vector<std::uint32_t>& pages) {
    std::vector<std::uint8_t> map(5 + kUsageMapBytes, 0);
    for (std::uint32_t page : pages) {
        if (page >= kUsageMapBytes * 8) throw std::runtime_error("fixture too large for its usage map");
        map[5 + page / 8] |= 1 << (page % 8);
    }
    return map;
}

}  // namespace

double JetDay(int year, unsigned month, unsigned day) {
    using namespace std::chrono;
    const sys_days date = year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    const sys_days epoch = year_month_day{std::chrono::year{1899}, December, std::chrono::day{30}};
    return static_cast<double>((date - epoch).count());
}

// Windows' reading comes from ICU's copy of Windows' table, never from the program's decoder.
std::string AsWindowsText(const std::string& cp936_bytes) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("windows-936", &error);
    std::u16string units(cp936_bytes.size() + 1, u'\0');
    error = U_ZERO_ERROR;
    const int count = ucnv_toUChars(converter, units.data(), static_cast<int>(units.size()), cp936_bytes.data(),
                                    static_cast<int>(cp936_bytes.size()), &error);
    ucnv_close(converter);
    std::string utf8(units.size() * 3 + 1, '\0');
    int length = 0;
    error = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), static_cast<int>(utf8.size()), &length, units.data(), count, &error);
    utf8.resize(static_cast<std::size_t>(length));
    return utf8;
}

void WriteJet4(const std::filesystem::path& path, const std::vector<JetTable>& tables) {
    File file;
    WriteDatabasePage(file[file.NewPage()]);
    const std::uint32_t maps_page = file.NewDataPage(0);
    const std::uint32_t catalog_page = file.NewPage();

    const Definition catalog{"MSysObjects",
                             {{"Id", JetType::kLong}, {"ParentId", JetType::kLong}, {"Name", JetType::kText},
                              {"Type", JetType::kInt}, {"Flags", JetType::kLong}, {"LvProp", JetType::kMemo}},
                             true};
    JetTable catalog_rows{catalog.name, catalog.columns, {}};
    std::vector<std::vector<std::uint32_t>> data_pages;
    std::vector<std::uint32_t> definition_pages;
    for (const JetTable& table : tables) {
        const std::uint32_t definition = file.NewPage();
        definition_pages.push_back(definition);
        data_pages.emplace_back();
        std::uint32_t page = file.NewDataPage(definition);
        data_pages.back().push_back(page);
        for (const auto& values : table.rows) {
            const auto row = Row(table, values);
            if (!file.AddRow(page, row)) {
                page = file.NewDataPage(definition);
                data_pages.back().push_back(page);
                if (!file.AddRow(page, row)) throw std::runtime_error("row too long for a page");
            }
        }
        catalog_rows.rows.push_back({static_cast<std::int32_t>(definition), 0x0F000001, table.name, 1, 0,
                                     std::monostate{}});
    }
    const std::uint32_t catalog_data = file.NewDataPage(catalog_page);
    for (const auto& values : catalog_rows.rows)
        if (!file.AddRow(catalog_data, Row(catalog_rows, values))) throw std::runtime_error("catalogue too long");

    WriteDefinitionPage(file[catalog_page], catalog, catalog_rows.rows.size(), 0);
    file.AddRow(maps_page, UsageMap({catalog_data}));
    file.AddRow(maps_page, UsageMap({}));
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const Definition definition{tables[t].name, tables[t].columns};
        const auto used_row = static_cast<std::uint32_t>(2 + 2 * t);
        WriteDefinitionPage(file[definition_pages[t]], definition, tables[t].rows.size(), used_row);
        if (!file.AddRow(maps_page, UsageMap(data_pages[t])) || !file.AddRow(maps_page, UsageMap({})))
            throw std::runtime_error("too many tables for the usage map page");
    }
    file.Save(path);
}

}  // namespace sitora::test
