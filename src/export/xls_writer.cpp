#include "export/xls_writer.h"

#include <cstring>

namespace sitora::gridexport {
namespace {

constexpr std::int64_t kRkMin = -536870912;
constexpr std::int64_t kRkMax = 536870911;

void Append16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void Append32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string TGridExportAsXLS::CellHeader(std::uint16_t id, std::uint16_t length) const {
    std::string header;
    Append16(header, id);
    Append16(header, length);
    Append16(header, row_);
    Append16(header, column_);
    return header;
}

void TGridExportAsXLS::AdvanceCell() {
    if (column_ == last_column_) {
        ++row_;
        column_ = 0;
    } else {
        ++column_;
    }
}

void TGridExportAsXLS::BeginOutput() {
    // BOF, then the code page (936) so that readers take the texts as GBK.
    Put(std::string("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12));
    Put(std::string("\x42\x00\x02\x00\xA8\x03", 6));
}

void TGridExportAsXLS::EndOutput() { Put(std::string("\x0A\x00\x00\x00", 4)); }

void TGridExportAsXLS::WriteLabel(std::string_view text) {
    const auto n = static_cast<std::uint16_t>(text.size());
    std::string fixed = CellHeader(0x0204, static_cast<std::uint16_t>(8 + n));
    Append16(fixed, 0x0000);
    Append16(fixed, n);
    Put(fixed);
    Put(text);
    AdvanceCell();
}

void TGridExportAsXLS::WriteNumber(double value) {
    std::string fixed = CellHeader(0x0203, 14);
    Append16(fixed, 0x0000);
    Put(fixed);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::string bytes;
    Append32(bytes, static_cast<std::uint32_t>(bits));
    Append32(bytes, static_cast<std::uint32_t>(bits >> 32));
    Put(bytes);
    AdvanceCell();
}

void TGridExportAsXLS::WriteRk(std::int32_t value) {
    std::string fixed = CellHeader(0x027E, 10);
    Append16(fixed, 0x0000);
    Put(fixed);
    std::string rk;
    Append32(rk, (static_cast<std::uint32_t>(value) << 2) | 2u);
    Put(rk);
    AdvanceCell();
}

void TGridExportAsXLS::WriteBlank() {
    std::string record = CellHeader(0x0201, 6);
    Append16(record, 0x0017);
    Put(record);
    AdvanceCell();
}

void TGridExportAsXLS::WriteTitleRow(const TExportColumns& columns) {
    for (const ExportColumnRef& ref : columns) WriteLabel(Ansi(ref.column->title.caption));
}

void TGridExportAsXLS::PutDataCell(const ExportColumnRef& column, const TColCellParams& params) {
    if (column.column->field.empty()) return WriteBlank();
    const FieldInfo field = grid().Field(column.index);
    if (field.is_null || field.kind == FieldKind::kNone) return WriteBlank();
    if (field.kind == FieldKind::kInteger) {
        if (field.integer >= kRkMin && field.integer <= kRkMax) return WriteRk(static_cast<std::int32_t>(field.integer));
        return WriteNumber(static_cast<double>(field.integer));
    }
    if (field.kind == FieldKind::kFloat) return WriteNumber(field.real);
    WriteLabel(params.text);
}

void TGridExportAsXLS::ExportGridToStream(OutputStream& stream, bool save_all) {
    row_ = 0;
    column_ = 0;
    const std::size_t columns = ExportColumns().size();
    last_column_ = static_cast<std::uint16_t>(columns == 0 ? 0 : columns - 1);
    TGridExport::ExportGridToStream(stream, save_all);
}

void TGridExportAsXLS::CheckGrid() {
    const int title_rows = grid().Options().titles ? 1 : 0;
    if (grid().RecordCount() + title_rows > kXlsMaxRows)
        throw ExportError("the list has more rows than a worksheet numbers");
    const TExportColumns columns = ExportColumns();
    for (const ExportColumnRef& ref : columns)
        if (Ansi(ref.column->title.caption).size() > kXlsMaxText) throw ExportError("a title is too long");
    if (grid().RecordCount() == 0) return;
    grid().DisableControls();
    const GridBookmark current = grid().GetBookmark();
    try {
        for (grid().First(); !grid().Eof(); grid().Next())
            for (const ExportColumnRef& ref : columns) {
                // A text's code page 936 form is at most twice its UTF-8 length: convert only
                // where that bound does not settle it.
                const std::string_view text = grid().DisplayText(ref.index);
                if (text.size() * 2 > kXlsMaxText && Ansi(text).size() > kXlsMaxText)
                    throw ExportError("a text is longer than a worksheet cell holds");
            }
    } catch (...) {
        grid().GotoBookmark(current);
        grid().EnableControls();
        throw;
    }
    grid().GotoBookmark(current);
    grid().EnableControls();
}

}  // namespace sitora::gridexport
