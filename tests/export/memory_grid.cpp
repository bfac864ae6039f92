#include "memory_grid.h"

#include <algorithm>

namespace sitora::test {

gridexport::TColumn& MemoryGrid::AddColumn(const std::string& title, int width) {
    gridexport::TColumn column;
    column.width = width;
    column.field = "f" + std::to_string(columns.size());
    column.title.caption = title;
    column.title.color = gridexport::clTeal;
    column.title.alignment = gridexport::TAlignment::taCenter;
    column.title.font = {"微软雅黑", 10, gridexport::clWhite, true};
    column.font = {"微软雅黑", 10, gridexport::clWindowText, true};
    column.alignment = gridexport::TAlignment::taCenter;
    columns.push_back(column);
    return columns.back();
}

gridexport::TColor MemoryGrid::SystemColor(int index) const {
    switch (index) {
        case 5: return 0x00FFFFFF;
        case 8: return 0x00000000;
        case 15: return 0x00C0C0C0;
        default: return 0x00123456;
    }
}

void MemoryGrid::MoveBy(int distance) {
    current = std::clamp(current + distance, 0, std::max(RecordCount() - 1, 0));
}

std::string_view MemoryGrid::DisplayText(int column) const {
    if (columns.at(column).field.empty()) return {};
    const auto& cell = rows.at(current).at(column);
    return cell ? std::string_view(*cell) : std::string_view();
}

gridexport::FieldInfo MemoryGrid::Field(int column) const {
    gridexport::FieldInfo info = column < static_cast<int>(kinds.size()) ? kinds[column] : gridexport::FieldInfo{};
    info.is_null = !rows.at(current).at(column).has_value();
    return info;
}

}  // namespace sitora::test
