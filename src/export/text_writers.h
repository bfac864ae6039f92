#pragma once
// Plain text, one line per row: tab-separated cells as the grid shows them, or every cell
// quoted and separated by ";".
#include "export/grid_export.h"

namespace sitora::gridexport {

class TGridExportAsText : public TGridExport {
public:
    void WriteTitleRow(const TExportColumns& columns) override;
    void WriteDataRow(const TExportColumns& columns) override;
    void PutDataCell(const ExportColumnRef& column, const TColCellParams& params) override;
    void WriteSummaryRow(const TExportColumns& columns, int row) override;
    void PutSummaryCell(int position, int row, const ExportColumnRef& column, const TFont& font, TColor background,
                        TAlignment alignment, std::string_view text) override;
    void ExportGridToStream(OutputStream& stream, bool save_all) override;

protected:
    // CR LF between rows, never before the first.
    virtual void StartRow();
    // The separator before every cell but the first of a row.
    virtual void StartCell();
    // A cell's text as this format writes it.
    virtual void PutCellText(std::string_view text) { Put(text); }
    virtual char Separator() const { return '\t'; }

private:
    bool first_row_ = true;
    bool first_cell_ = true;
};

// The one separator of the CSV writer, whatever the system's list separator.
inline constexpr char kCsvSeparator = ';';

class TGridExportAsCSV : public TGridExportAsText {
protected:
    void PutCellText(std::string_view text) override;
    char Separator() const override { return kCsvSeparator; }
};

}  // namespace sitora::gridexport
