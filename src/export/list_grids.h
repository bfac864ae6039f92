#pragma once
// The two exported grids, described once: the windows draw them from this description and the
// exports write it, so a window and its exported file cannot drift apart.
#include <span>
#include <string>
#include <vector>

#include "data/ado_query.h"
#include "export/list_layouts.h"
#include "export/grid_source.h"

namespace sitora::gridexport {

struct GridLook {
    std::string name = "DBGrid1";
    TGridOptions options;
    bool flat = false;
    bool ctl3d = true;
    TColor fixed_color = clBtnFace;
    TFont title_font;
    std::vector<TColumn> columns;
};

// The face every window uses, at 13 pixels: 10 points at 96 pixels per inch.
inline constexpr const char* kGridFace = "微软雅黑";

GridLook MainListGrid();
GridLook ExpiryListGrid();
GridLook CheckListGrid();

// The system colours of a default desktop (window white, text black, button face F0F0F0).
TColor DefaultSystemColor(int index);

// A grid that looks as a GridLook says, on a default desktop at 96 pixels per inch.
class LookedGrid : public ExportGrid {
public:
    explicit LookedGrid(GridLook look) : look_(std::move(look)) {}

    std::string Name() const override { return look_.name; }
    TGridOptions Options() const override { return look_.options; }
    bool Flat() const override { return look_.flat; }
    bool Ctl3D() const override { return look_.ctl3d; }
    TColor FixedColor() const override { return look_.fixed_color; }
    int PixelsPerInch() const override { return 96; }
    const std::vector<TColumn>& Columns() const override { return look_.columns; }
    TColor SystemColor(int index) const override { return DefaultSystemColor(index); }

private:
    GridLook look_;
};

// A grid over an open query with a given look: what the command-line export writes, and
// the base of the windows' grids.
class QueryGrid : public LookedGrid {
public:
    QueryGrid(GridLook look, data::TADOQuery& query);

    int RecordCount() const override;
    void DisableControls() override {}
    void EnableControls() override {}
    void First() override { query_.First(); }
    void Next() override { query_.Next(); }
    bool Eof() const override { return query_.Eof(); }
    GridBookmark GetBookmark() const override { return query_.GetBookmark(); }
    void GotoBookmark(GridBookmark bookmark) override { query_.GotoBookmark(bookmark); }
    void MoveBy(int distance) override { query_.MoveBy(distance); }
    int VisibleRowIndex() const override { return query_.RecNo(); }
    int VisibleRowCount() const override { return 1; }

    std::string_view DisplayText(int column) const override;
    FieldInfo Field(int column) const override;

protected:
    data::TADOQuery& query() const { return query_; }

private:
    data::TADOQuery& query_;
    std::vector<int> fields_;  // result-set position of each column's field, -1 for none
};

// A grid of text rows held in memory (a list that is no query's, such as the registry check's).
class TableGrid : public LookedGrid {
public:
    // Each row holds one cell per column of `look`.
    TableGrid(GridLook look, std::vector<std::vector<std::string>> rows);

    int RecordCount() const override { return static_cast<int>(rows_.size()); }
    void DisableControls() override {}
    void EnableControls() override {}
    void First() override { current_ = 0; }
    void Next() override { ++current_; }
    bool Eof() const override { return current_ >= RecordCount(); }
    GridBookmark GetBookmark() const override { return static_cast<GridBookmark>(current_); }
    void GotoBookmark(GridBookmark bookmark) override { current_ = static_cast<int>(bookmark); }
    void MoveBy(int distance) override;
    int VisibleRowIndex() const override { return current_; }
    int VisibleRowCount() const override { return 1; }

    std::string_view DisplayText(int column) const override;
    FieldInfo Field(int column) const override;

private:
    std::vector<std::vector<std::string>> rows_;
    int current_ = 0;
};

}  // namespace sitora::gridexport
