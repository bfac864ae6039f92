#include "export/text_writers.h"

namespace sitora::gridexport {

void TGridExportAsText::StartRow() {
    if (first_row_)
        first_row_ = false;
    else
        Put("\r\n");
}

void TGridExportAsText::StartCell() {
    if (first_cell_) {
        first_cell_ = false;
        return;
    }
    const char separator = Separator();
    Put(std::string_view(&separator, 1));
}

void TGridExportAsText::WriteTitleRow(const TExportColumns& columns) {
    StartRow();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        PutCellText(Ansi(columns[i].column->title.caption));
        if (i + 1 < columns.size()) {
            const char separator = Separator();
            Put(std::string_view(&separator, 1));
        }
    }
}

void TGridExportAsText::WriteDataRow(const TExportColumns& columns) {
    StartRow();
    first_cell_ = true;
    TGridExport::WriteDataRow(columns);
}

void TGridExportAsText::PutDataCell(const ExportColumnRef&, const TColCellParams& params) {
    StartCell();
    if (LooksLikeFormula(params.text))
        PutCellText("'" + params.text);
    else
        PutCellText(params.text);
}

void TGridExportAsText::WriteSummaryRow(const TExportColumns& columns, int row) {
    StartRow();
    first_cell_ = true;
    TGridExport::WriteSummaryRow(columns, row);
}

void TGridExportAsText::PutSummaryCell(int, int, const ExportColumnRef&, const TFont&, TColor, TAlignment,
                                       std::string_view text) {
    StartCell();
    PutCellText(text);
}

void TGridExportAsText::ExportGridToStream(OutputStream& stream, bool save_all) {
    first_row_ = true;
    TGridExport::ExportGridToStream(stream, save_all);
}

void TGridExportAsCSV::PutCellText(std::string_view text) {
    // Only the byte 0x22 is a quote: code page 936 never uses it inside a double-byte character.
    Put("\"");
    for (std::size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
        Put(text.substr(0, quote + 1));
        Put("\"");
        text.remove_prefix(quote + 1);
    }
    Put(text);
    Put("\"");
}

}  // namespace sitora::gridexport
