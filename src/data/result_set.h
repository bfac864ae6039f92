#pragma once
// The rows of one select, held in memory (a static cursor), with a current row.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sitora::data {

// A cell: nothing for NULL, otherwise its bytes (UTF-8 text, or raw bytes of a protected column).
using FieldValue = std::optional<std::string_view>;

// The text of a cell, empty for NULL.
inline std::string AsString(FieldValue value) { return value ? std::string(*value) : std::string(); }

// A row's bookmark: stays valid while other rows are deleted.
using Bookmark = std::uint32_t;

class ResultSet {
public:
    explicit ResultSet(std::vector<std::string> column_names = {});

    // Room for this many rows, so that loading does not grow by copying.
    void Reserve(std::size_t rows);

    // Appending rows while reading the statement's result.
    void BeginRow(std::int64_t row_id);
    void AppendCell(FieldValue value);

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const std::string& ColumnName(int column) const { return columns_.at(column); }
    int ColumnIndex(std::string_view name) const;  // -1 when absent; case-insensitive
    int RowCount() const { return static_cast<int>(rows_.size()); }
    std::size_t TextBytes() const { return text_bytes_; }

    FieldValue Value(int row, int column) const;
    std::int64_t RowId(int row) const { return rows_.at(row).row_id; }
    Bookmark BookmarkOf(int row) const { return rows_.at(row).serial; }
    std::optional<int> RowOf(Bookmark bookmark) const;

    // The first row, from `from` on, for which `matches` holds on the given column.
    std::optional<int> Find(int column, const std::function<bool(FieldValue)>& matches, int from = 0) const;

    void EraseRow(int row);

private:
    // Cell texts live in blocks that never move, so loading copies each byte once. A cell's
    // offset is its block's number times kBlockSize plus its place in the block; a text
    // longer than a block gets a block of its own. Blocks start small and double up to
    // kBlockSize, so that a short result takes little room.
    struct CellRef {
        std::uint32_t offset;
        std::uint32_t length;  // kNull for NULL
    };
    static constexpr unsigned kBlockBits = 20;
    static constexpr std::uint32_t kBlockSize = 1u << kBlockBits;
    struct Row {
        std::int64_t row_id;
        Bookmark serial;
        std::uint32_t first_cell;
    };
    static constexpr std::uint32_t kNull = 0xFFFFFFFFu;

    std::vector<std::string> columns_;
    std::vector<Row> rows_;
    std::vector<CellRef> cells_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    static constexpr std::uint32_t kFirstBlockSize = 1u << 14;
    std::size_t block_room_ = 0;   // size of the last block
    std::size_t block_used_ = 0;   // bytes taken in it
    std::size_t text_bytes_ = 0;
    Bookmark next_serial_ = 0;
};

}  // namespace sitora::data
