#pragma once
// A grid held in memory for the writers' tests.
#include <optional>
#include <string>
#include <vector>

#include "export/grid_source.h"

namespace sitora::test {

class MemoryGrid : public gridexport::ExportGrid {
public:
    using Row = std::vector<std::optional<std::string>>;

    std::string name = "DBGrid1";
    gridexport::TGridOptions options;
    bool flat = false;
    bool ctl3d = true;
    gridexport::TColor fixed_color = gridexport::clBtnFace;
    int pixels_per_inch = 96;
    std::vector<gridexport::TColumn> columns;
    std::vector<Row> rows;
    std::vector<gridexport::FieldInfo> kinds;  // per column; text when empty
    int current = 0;
    int visible_index = 0;
    int visible_count = 1;
    int disabled = 0;

    // A text column with the program's look.
    gridexport::TColumn& AddColumn(const std::string& title, int width = 100);

    std::string Name() const override { return name; }
    gridexport::TGridOptions Options() const override { return options; }
    bool Flat() const override { return flat; }
    bool Ctl3D() const override { return ctl3d; }
    gridexport::TColor FixedColor() const override { return fixed_color; }
    int PixelsPerInch() const override { return pixels_per_inch; }
    const std::vector<gridexport::TColumn>& Columns() const override { return columns; }
    gridexport::TColor SystemColor(int index) const override;

    int RecordCount() const override { return static_cast<int>(rows.size()); }
    void DisableControls() override { ++disabled; }
    void EnableControls() override { --disabled; }
    void First() override { current = 0; }
    void Next() override { ++current; }
    bool Eof() const override { return current >= RecordCount(); }
    gridexport::GridBookmark GetBookmark() const override { return static_cast<gridexport::GridBookmark>(current); }
    void GotoBookmark(gridexport::GridBookmark bookmark) override { current = static_cast<int>(bookmark); }
    void MoveBy(int distance) override;
    int VisibleRowIndex() const override { return visible_index; }
    int VisibleRowCount() const override { return visible_count; }
    std::string_view DisplayText(int column) const override;
    gridexport::FieldInfo Field(int column) const override;
};

// Exports the grid with a writer into memory.
template <typename Writer>
std::string ExportToMemory(gridexport::ExportGrid& grid);

}  // namespace sitora::test

#include "export/grid_export.h"

namespace sitora::test {

template <typename Writer>
std::string ExportToMemory(gridexport::ExportGrid& grid) {
    Writer writer;
    writer.SetGrid(&grid);
    gridexport::MemoryOutput out;
    writer.ExportGridToStream(out, true);
    return out.data();
}

}  // namespace sitora::test
