#pragma once
// The export driver: walks a grid's rows and hands titles and cells to a writer.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/grid_source.h"
#include "export/output_stream.h"

namespace sitora::gridexport {

// One column of the run: its place in the grid's columns and its description.
struct ExportColumnRef {
    int index;
    const TColumn* column;
};
using TExportColumns = std::vector<ExportColumnRef>;

// The parameters of one data cell, filled again for every cell. Texts are code page 936 bytes.
struct TColCellParams {
    std::string text;
    TFont font;
    TColor background = clWindow;
    TAlignment alignment = TAlignment::taLeftJustify;
};

class TGridExport {
public:
    TGridExport();
    virtual ~TGridExport();
    TGridExport(const TGridExport&) = delete;
    TGridExport& operator=(const TGridExport&) = delete;

    void SetGrid(ExportGrid* grid) { grid_ = grid; }

    virtual void BeginOutput() {}
    virtual void EndOutput() {}
    virtual void WriteTitleRow(const TExportColumns& columns);
    virtual void WriteDataRow(const TExportColumns& columns);
    virtual void PutDataCell(const ExportColumnRef& column, const TColCellParams& params);
    // No grid of the program has summary rows; the slots stay for writers that want them.
    virtual void WriteSummaryRow(const TExportColumns& columns, int row);
    virtual void PutSummaryCell(int position, int row, const ExportColumnRef& column, const TFont& font,
                                TColor background, TAlignment alignment, std::string_view text);

    // Refuses, before any file is touched, a grid this format cannot hold.
    virtual void CheckGrid() {}
    virtual void ExportGridToStream(OutputStream& stream, bool save_all);
    // Creates (or replaces) the file and runs the export into it.
    virtual void ExportGridToFile(const std::filesystem::path& file_name, bool save_all);

protected:
    void Put(std::string_view bytes) { output_->Write(bytes); }
    void PutLine(std::string_view bytes);
    ExportGrid& grid() const { return *grid_; }
    OutputStream& output() const { return *output_; }
    void SetOutput(OutputStream* stream) { output_ = stream; }
    // The visible columns in display order.
    TExportColumns ExportColumns() const;

private:
    struct GridPosition {
        int offset = 0;
        GridBookmark bookmark = 0;
        bool valid = false;
    };
    GridPosition SavePosition();
    void RestorePosition(const GridPosition& position);

    ExportGrid* grid_ = nullptr;
    OutputStream* output_ = nullptr;
    std::unique_ptr<TColCellParams> params_;
};

using TGridExportClass = std::unique_ptr<TGridExport> (*)();

template <typename Writer>
std::unique_ptr<TGridExport> MakeWriter() {
    return std::make_unique<Writer>();
}

// Creates a writer of the class, exports the grid to the file and destroys the writer, also
// when the export fails. Errors (ExportError and the grid's own) reach the caller.
void SaveGridToExportFile(TGridExportClass writer_class, ExportGrid& grid, const std::filesystem::path& file_name,
                          bool save_all);

// Code page 936 bytes of a UTF-8 text: what every writer writes.
std::string Ansi(std::string_view utf8);

// Whether a spreadsheet opening a text, CSV or HTML file could take the data cell for a formula
// (it begins with "=", "+", "-", "@", a tab or a carriage return): such a cell is written with a
// leading apostrophe, every other one as it is.
bool LooksLikeFormula(std::string_view cell);

}  // namespace sitora::gridexport
