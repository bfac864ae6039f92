#pragma once
// A bare BIFF worksheet stream: BOF, the code page, one cell record per cell, EOF.
#include <cstdint>

#include "export/grid_export.h"

namespace sitora::gridexport {

// The longest text a LABEL record can carry: its 16-bit length counts 8 bytes besides the text.
inline constexpr std::size_t kXlsMaxText = 65527;
// Row numbers are 16 bits.
inline constexpr int kXlsMaxRows = 65536;

class TGridExportAsXLS : public TGridExport {
public:
    void BeginOutput() override;
    void EndOutput() override;
    void WriteTitleRow(const TExportColumns& columns) override;
    void PutDataCell(const ExportColumnRef& column, const TColCellParams& params) override;
    void ExportGridToStream(OutputStream& stream, bool save_all) override;
    // Refuses a list with more rows than the format numbers, or a text longer than a record
    // carries, before any file is touched: such a file would be damaged.
    void CheckGrid() override;

private:
    void WriteLabel(std::string_view text);
    void WriteNumber(double value);
    void WriteRk(std::int32_t value);
    void WriteBlank();
    void AdvanceCell();
    std::string CellHeader(std::uint16_t id, std::uint16_t length) const;

    std::uint16_t row_ = 0;
    std::uint16_t column_ = 0;
    std::uint16_t last_column_ = 0;
};

}  // namespace sitora::gridexport
