#include "data/result_set.h"

#include <algorithm>
#include <stdexcept>
#include <strings.h>

#include "data/data_error.h"

namespace sitora::data {

ResultSet::ResultSet(std::vector<std::string> column_names) : columns_(std::move(column_names)) {}

void ResultSet::Reserve(std::size_t rows) {
    rows_.reserve(rows);
    cells_.reserve(rows * columns_.size());
}

void ResultSet::BeginRow(std::int64_t row_id) {
    rows_.push_back(Row{row_id, next_serial_++, static_cast<std::uint32_t>(cells_.size())});
}

void ResultSet::AppendCell(FieldValue value) {
    if (!value) {
        cells_.push_back(CellRef{0, kNull});
        return;
    }
    const std::size_t size = value->size();
    if (size == 0) {
        cells_.push_back(CellRef{0, 0});
        return;
    }
    if (size >= kNull) throw DataError("result too large");
    if (size > block_room_ - block_used_) {
        if (blocks_.size() >= (std::size_t{1} << (32 - kBlockBits))) throw DataError("result too large");
        const std::size_t next = block_room_ == 0 ? kFirstBlockSize : std::min<std::size_t>(block_room_ * 2, kBlockSize);
        block_room_ = std::max(size, next);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(block_room_));
        block_used_ = 0;
    }
    const auto block = static_cast<std::uint32_t>(blocks_.size() - 1);
    std::copy(value->begin(), value->end(), blocks_.back().get() + block_used_);
    cells_.push_back(CellRef{(block << kBlockBits) + static_cast<std::uint32_t>(block_used_),
                             static_cast<std::uint32_t>(size)});
    block_used_ += size;
    text_bytes_ += size;
}

int ResultSet::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].size() == name.size() &&
            strncasecmp(columns_[i].data(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    return -1;
}

FieldValue ResultSet::Value(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        throw DataError("no such row or column");
    const CellRef& cell = cells_[rows_[row].first_cell + column];
    if (cell.length == kNull) return std::nullopt;
    if (cell.length == 0) return std::string_view();
    return std::string_view(blocks_[cell.offset >> kBlockBits].get() + (cell.offset & (kBlockSize - 1)), cell.length);
}

std::optional<int> ResultSet::RowOf(Bookmark bookmark) const {
    // Serials grow with the row position and deletes keep the order, so the rows stay sorted.
    auto it = std::lower_bound(rows_.begin(), rows_.end(), bookmark,
                               [](const Row& row, Bookmark b) { return row.serial < b; });
    if (it == rows_.end() || it->serial != bookmark) return std::nullopt;
    return static_cast<int>(it - rows_.begin());
}

std::optional<int> ResultSet::Find(int column, const std::function<bool(FieldValue)>& matches,
                                   int from) const {
    for (int row = std::max(from, 0); row < RowCount(); ++row)
        if (matches(Value(row, column))) return row;
    return std::nullopt;
}

void ResultSet::EraseRow(int row) {
    if (row < 0 || row >= RowCount()) throw DataError("no such row");
    // The row's cells stay in the arena; only its entry goes.
    rows_.erase(rows_.begin() + row);
}

}  // namespace sitora::data
