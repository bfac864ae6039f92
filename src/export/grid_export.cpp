#include "export/grid_export.h"

#include "base/text/cp936.h"

namespace sitora::gridexport {

std::string Ansi(std::string_view utf8) { return text::ToCp936(utf8); }

bool LooksLikeFormula(std::string_view cell) {
    return !cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos;
}

TGridExport::TGridExport() : params_(std::make_unique<TColCellParams>()) {}
TGridExport::~TGridExport() = default;

void TGridExport::PutLine(std::string_view bytes) {
    Put(bytes);
    Put("\r\n");
}

TExportColumns TGridExport::ExportColumns() const {
    TExportColumns columns;
    const auto& all = grid_->Columns();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].visible) columns.push_back({static_cast<int>(i), &all[i]});
    return columns;
}

void TGridExport::WriteTitleRow(const TExportColumns&) {}

void TGridExport::WriteDataRow(const TExportColumns& columns) {
    for (const ExportColumnRef& ref : columns) {
        TColCellParams& params = *params_;
        params.font = ref.column->font;
        params.background = ref.column->color;
        params.alignment = ref.column->alignment;
        text::ToCp936Into(grid_->DisplayText(ref.index), params.text);
        PutDataCell(ref, params);
    }
}

void TGridExport::PutDataCell(const ExportColumnRef&, const TColCellParams&) {}

void TGridExport::WriteSummaryRow(const TExportColumns&, int) {}

void TGridExport::PutSummaryCell(int, int, const ExportColumnRef&, const TFont&, TColor, TAlignment,
                                 std::string_view) {}

TGridExport::GridPosition TGridExport::SavePosition() {
    GridPosition position;
    if (grid_->RecordCount() == 0) return position;
    const int a = grid_->VisibleRowIndex();
    const int v = grid_->VisibleRowCount();
    position.offset = a - (v / 2) + ((v + 1) % 2);
    grid_->MoveBy(-position.offset);
    position.bookmark = grid_->GetBookmark();
    grid_->MoveBy(position.offset);
    position.valid = true;
    return position;
}

void TGridExport::RestorePosition(const GridPosition& position) {
    if (!position.valid) return;
    grid_->GotoBookmark(position.bookmark);
    grid_->MoveBy(position.offset);
}

void TGridExport::ExportGridToStream(OutputStream& stream, bool /*save_all*/) {
    // The program always exports every record, whatever rows are selected.
    output_ = &stream;
    grid_->DisableControls();
    GridPosition position;
    try {
        position = SavePosition();
        const TExportColumns columns = ExportColumns();
        BeginOutput();
        if (grid_->Options().titles) WriteTitleRow(columns);
        for (grid_->First(); !grid_->Eof(); grid_->Next()) WriteDataRow(columns);
    } catch (...) {
        RestorePosition(position);
        grid_->EnableControls();
        throw;
    }
    RestorePosition(position);
    grid_->EnableControls();
    EndOutput();
}

void TGridExport::ExportGridToFile(const std::filesystem::path& file_name, bool save_all) {
    FileOutput file(file_name);
    ExportGridToStream(file, save_all);
    file.Close();
}

void SaveGridToExportFile(TGridExportClass writer_class, ExportGrid& grid, const std::filesystem::path& file_name,
                          bool save_all) {
    std::unique_ptr<TGridExport> writer = writer_class();
    writer->SetGrid(&grid);
    writer->CheckGrid();
    writer->ExportGridToFile(file_name, save_all);
}

}  // namespace sitora::gridexport
