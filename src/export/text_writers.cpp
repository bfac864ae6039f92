#include "export/text_writers.h"

namespace sitora::gridexport {

void TGridExportAsText::StartRow() {
    if (first_row_)
        first_row_ = false;
    else
        Put("\r\n");
}

void TGridExportAsText::StartCell() {
    if (first_cell_)
        first_cell_ = false;
    else
        Put(std::string(1, Separator()));
}

void TGridExportAsText::WriteTitleRow(const TExportColumns& columns) {
    StartRow();
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        line += CellText(Ansi(columns[i].column->title.caption));
        if (i + 1 < columns.size()) line += Separator();
    }
    Put(line);
}

void TGridExportAsText::WriteDataRow(const TExportColumns& columns) {
    StartRow();
    first_cell_ = true;
    TGridExport::WriteDataRow(columns);
}

void TGridExportAsText::PutDataCell(const ExportColumnRef&, const TColCellParams& params) {
    StartCell();
    Put(CellText(params.text));
}

void TGridExportAsText::WriteSummaryRow(const TExportColumns& columns, int row) {
    StartRow();
    first_cell_ = true;
    TGridExport::WriteSummaryRow(columns, row);
}

void TGridExportAsText::PutSummaryCell(int, int, const ExportColumnRef&, const TFont&, TColor, TAlignment,
                                       std::string_view text) {
    StartCell();
    Put(CellText(text));
}

void TGridExportAsText::ExportGridToStream(OutputStream& stream, bool save_all) {
    first_row_ = true;
    TGridExport::ExportGridToStream(stream, save_all);
}

std::string TGridExportAsCSV::CellText(std::string_view text) const {
    // Only the byte 0x22 is a quote: code page 936 never uses it inside a double-byte character.
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    quoted += '"';
    return quoted;
}

}  // namespace sitora::gridexport
