#pragma once
// What the export driver reads of a grid: its look (name, options, colours, fonts, columns)
// and a cursor over its rows. The windows' grids and plain in-memory grids implement it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sitora::gridexport {

// An RGB colour as 0x00BBGGRR, or a system colour reference 0xFF0000nn, or clNone.
using TColor = std::uint32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x00000000;
inline constexpr TColor clWhite = 0x00FFFFFF;
inline constexpr TColor clTeal = 0x00808000;
inline constexpr TColor clWindow = 0xFF000005;
inline constexpr TColor clWindowText = 0xFF000008;
inline constexpr TColor clBtnFace = 0xFF00000F;

inline bool IsSystemColor(TColor color) { return (color & 0xFF000000u) == 0xFF000000u; }

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

struct TFont {
    std::string name;  // UTF-8
    int size = 10;     // whole points
    TColor color = clWindowText;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
};

struct TColumnTitle {
    std::string caption;  // UTF-8
    TAlignment alignment = TAlignment::taLeftJustify;
    TColor color = clBtnFace;
    TFont font;
};

struct TColumn {
    int width = 64;  // pixels
    TColor color = clWindow;
    TFont font;
    TAlignment alignment = TAlignment::taLeftJustify;
    bool visible = true;
    std::string field;  // empty: the column shows no field
    TColumnTitle title;
};

struct TGridOptions {
    bool titles = true;     // dgTitles
    bool col_lines = true;  // dgColLines
    bool row_lines = true;  // dgRowLines
};

// The kind of a cell's field, as far as the XLS writer cares.
enum class FieldKind { kNone, kText, kInteger, kFloat };

struct FieldInfo {
    FieldKind kind = FieldKind::kText;
    bool is_null = false;
    std::int64_t integer = 0;
    double real = 0;
};

using GridBookmark = std::uint32_t;

class ExportGrid {
public:
    virtual ~ExportGrid() = default;

    // --- look ---
    virtual std::string Name() const = 0;
    virtual TGridOptions Options() const = 0;
    virtual bool Flat() const = 0;
    virtual bool Ctl3D() const = 0;
    virtual TColor FixedColor() const = 0;
    virtual int PixelsPerInch() const = 0;
    // All columns in display order, hidden ones included.
    virtual const std::vector<TColumn>& Columns() const = 0;
    // The RGB (0x00BBGGRR) of a system colour index.
    virtual TColor SystemColor(int index) const = 0;

    // --- rows ---
    virtual int RecordCount() const = 0;
    virtual void DisableControls() = 0;
    virtual void EnableControls() = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual bool Eof() const = 0;
    virtual GridBookmark GetBookmark() const = 0;
    virtual void GotoBookmark(GridBookmark bookmark) = 0;
    virtual void MoveBy(int distance) = 0;
    // The current record's place in the grid's visible window, and the window's row count.
    virtual int VisibleRowIndex() const = 0;
    virtual int VisibleRowCount() const = 0;

    // --- the current record, per column (index into Columns()) ---
    // UTF-8, empty for NULL; valid until the cursor moves.
    virtual std::string_view DisplayText(int column) const = 0;
    virtual FieldInfo Field(int column) const = 0;

    // RGB of any colour value; system colours through SystemColor().
    TColor ToRgb(TColor color) const {
        return IsSystemColor(color) ? SystemColor(static_cast<int>(color & 0xFF)) & 0xFFFFFF : color & 0xFFFFFF;
    }
};

}  // namespace sitora::gridexport
