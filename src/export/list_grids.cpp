#include "export/list_grids.h"

#include <algorithm>

namespace sitora::gridexport {
namespace {

TFont GridFont(TColor color) {
    TFont font;
    font.name = kGridFace;
    font.size = 10;
    font.color = color;
    font.bold = true;
    return font;
}

template <std::size_t N>
GridLook LookOf(const std::array<ListColumn, N>& list) {
    GridLook look;
    look.title_font = GridFont(clWhite);
    for (const ListColumn& entry : list) {
        TColumn column;
        column.width = entry.width;
        column.color = clWindow;
        column.font = GridFont(clWindowText);
        column.alignment = TAlignment::taCenter;
        column.field = std::string(entry.field);
        column.title.caption = std::string(entry.title);
        column.title.alignment = TAlignment::taCenter;
        column.title.color = clTeal;
        column.title.font = look.title_font;
        look.columns.push_back(column);
    }
    return look;
}

}  // namespace

GridLook MainListGrid() { return LookOf(kMainListColumns); }
GridLook ExpiryListGrid() { return LookOf(kExpiryListColumns); }

GridLook CheckListGrid() {
    GridLook look = LookOf(kCheckListColumns);
    look.name = "CheckGrid";
    return look;
}

TColor DefaultSystemColor(int index) {
    switch (index) {
        case 5: return 0x00FFFFFF;   // window
        case 8: return 0x00000000;   // window text
        case 15: return 0x00F0F0F0;  // button face
        default: return 0x00000000;
    }
}

QueryGrid::QueryGrid(GridLook look, data::TADOQuery& query) : LookedGrid(std::move(look)), query_(query) {
    for (const TColumn& column : Columns())
        fields_.push_back(column.field.empty() || !query_.Active() ? -1 : query_.Rows().ColumnIndex(column.field));
}

int QueryGrid::RecordCount() const { return query_.Active() ? query_.RecordCount() : 0; }

std::string_view QueryGrid::DisplayText(int column) const {
    const int field = fields_.at(column);
    if (field < 0 || RecordCount() == 0) return {};
    return query_.Field(field).value_or(std::string_view());
}

FieldInfo QueryGrid::Field(int column) const {
    FieldInfo info;
    const int field = fields_.at(column);
    if (field < 0) {
        info.kind = FieldKind::kNone;
        return info;
    }
    // The lists hold text and date columns: LABEL cells, or BLANK for a missing value.
    info.is_null = RecordCount() == 0 || !query_.Field(field).has_value();
    return info;
}

TableGrid::TableGrid(GridLook look, std::vector<std::vector<std::string>> rows)
    : LookedGrid(std::move(look)), rows_(std::move(rows)) {}

void TableGrid::MoveBy(int distance) { current_ = std::clamp(current_ + distance, 0, RecordCount()); }

std::string_view TableGrid::DisplayText(int column) const {
    if (Eof() || column < 0 || static_cast<std::size_t>(column) >= rows_[current_].size()) return {};
    return rows_[current_][column];
}

FieldInfo TableGrid::Field(int column) const {
    FieldInfo info;
    info.is_null = DisplayText(column).empty();
    return info;
}

}  // namespace sitora::gridexport
