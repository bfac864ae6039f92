#pragma once
// An HTML 3.2 document with one table that carries the grid's colours, fonts and widths.
#include <utility>
#include <vector>

#include "export/grid_export.h"

namespace sitora::gridexport {

class TGridExportAsHTML : public TGridExport {
public:
    void BeginOutput() override;
    void EndOutput() override;
    void WriteTitleRow(const TExportColumns& columns) override;
    void WriteDataRow(const TExportColumns& columns) override;
    void PutDataCell(const ExportColumnRef& column, const TColCellParams& params) override;
    void WriteSummaryRow(const TExportColumns& columns, int row) override;
    void PutSummaryCell(int position, int row, const ExportColumnRef& column, const TFont& font, TColor background,
                        TAlignment alignment, std::string_view text) override;

private:
    std::string ColorText(TColor color) const;
    // A cell of the given grid column: its frame, then its text escaped.
    void PutCell(int column, int width, TAlignment alignment, const TColor* background, const TFont& font,
                 std::string_view text);
    void PutEscaped(std::string_view text);
    // The start of a font element, made once per distinct font in a run.
    const std::string& FontOpening(const TFont& font);
    static std::string FontClosing(const TFont& font);

    // What comes before and after a cell's text, for one column.
    struct CellFrame {
        bool made = false;
        int width = 0;
        TAlignment alignment = TAlignment::taLeftJustify;
        bool has_background = false;
        TColor background = clNone;
        TFont font;
        std::string opening;
        std::string closing;
    };
    const CellFrame& FrameOf(int column, int width, TAlignment alignment, const TColor* background,
                             const TFont& font);

    std::vector<std::pair<TFont, std::string>> font_openings_;
    std::vector<CellFrame> frames_;
    std::vector<std::pair<TColor, std::string>> color_texts_;
};

// "&" "<" ">" and the double quote as entities without a closing semicolon.
std::string EscapeHtml(std::string_view text);
const char* AlignmentText(TAlignment alignment);

}  // namespace sitora::gridexport
