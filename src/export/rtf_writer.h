#pragma once
// An RTF document with one table. The colour and font tables in front of the body are found
// first by numbering the title row and one data row, which every other data row repeats.
#include <memory>
#include <span>
#include <vector>

#include "export/grid_export.h"

namespace sitora::gridexport {

class TGridExportAsRTF : public TGridExport {
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
    struct Cell {
        TColor shading;
        TAlignment alignment;
        const TFont* font;
        TColor background;
        std::string text;  // code page 936 bytes
    };
    int ColorNumber(TColor color);
    int FontNumber(const std::string& name);
    void NumberColorsAndFonts();
    Cell& NextRowCell();
    void PutRow(const TExportColumns& columns, std::span<const Cell> cells);
    // "\fs..\b..\f..\cf..\cb.. " for a font on a background.
    std::string StyleWords(const TFont& font, TColor background);
    void PutEscaped(std::string_view text);
    int Twips(int pixels) const;

    std::vector<std::pair<TColor, int>> color_cache_;        // colour value -> number
    std::vector<std::pair<std::string, int>> font_cache_;    // UTF-8 name -> number
    std::vector<std::string> color_keys_;
    std::vector<TColor> colors_;      // RGB of each colour number
    std::vector<std::string> fonts_;  // code page 936 names
    std::vector<Cell> row_cells_;     // the row being collected: its first row_size_ cells
    std::size_t row_size_ = 0;

    // Every data row shares its cell definitions and each column's paragraph start; both are
    // made once, in the order an uncached row would number its colours and fonts.
    std::vector<TColor> header_shadings_;
    std::string header_;
    struct CellStart {
        const TFont* font;
        TColor background;
        TAlignment alignment;
        std::string words;
    };
    std::vector<CellStart> cell_starts_;
    std::string escaped_;
};

}  // namespace sitora::gridexport
