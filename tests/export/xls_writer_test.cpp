#include "export/xls_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/text/cp936.h"
#include "memory_grid.h"
#include "support/temp_folder.h"

namespace sitora::gridexport {
namespace {

using test::ExportToMemory;
using test::MemoryGrid;

const std::string kBof("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12);
const std::string kCodePage("\x42\x00\x02\x00\xA8\x03", 6);
const std::string kEof("\x0A\x00\x00\x00", 4);

std::string Le16(int value) { return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)}; }

std::string Label(int row, int column, const std::string& bytes) {
    return "\x04\x02" + Le16(8 + static_cast<int>(bytes.size())) + Le16(row) + Le16(column) + Le16(0) +
           Le16(static_cast<int>(bytes.size())) + bytes;
}

std::string Blank(int row, int column) { return "\x01\x02" + Le16(6) + Le16(row) + Le16(column) + Le16(0x17); }

TEST(XlsWriter, AnEmptyGridWithoutTitlesIsTwentyTwoBytes) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.options.titles = false;
    EXPECT_EQ(ExportToMemory<TGridExportAsXLS>(grid), kBof + kCodePage + kEof);
}

TEST(XlsWriter, CellsFollowTheDriversOrderRowByRow) {
    MemoryGrid grid;
    grid.AddColumn("编号");
    grid.AddColumn("b");
    grid.AddColumn("c");
    grid.rows = {{"1", std::nullopt, ""}, {"中文", "x", "y"}};
    const std::string expected = kBof + kCodePage + Label(0, 0, text::ToCp936("编号")) + Label(0, 1, "b") +
                                 Label(0, 2, "c") + Label(1, 0, "1") + Blank(1, 1) + Label(1, 2, "") +
                                 Label(2, 0, text::ToCp936("中文")) + Label(2, 1, "x") + Label(2, 2, "y") + kEof;
    EXPECT_EQ(ExportToMemory<TGridExportAsXLS>(grid), expected);
}

TEST(XlsWriter, NumbersBecomeRkOrNumberCells) {
    MemoryGrid grid;
    grid.AddColumn("n");
    grid.options.titles = false;
    grid.kinds = {FieldInfo{FieldKind::kInteger}};
    grid.rows = {{"5"}};
    grid.kinds[0].integer = -3;
    const std::string rk = ExportToMemory<TGridExportAsXLS>(grid);
    EXPECT_EQ(rk.substr(18, 14), std::string("\x7E\x02\x0A\x00\x00\x00\x00\x00\x00\x00", 10) + std::string("\xF6\xFF\xFF\xFF", 4));
    grid.kinds[0].integer = 536870912;  // one past the RK range
    const std::string number = ExportToMemory<TGridExportAsXLS>(grid);
    EXPECT_EQ(number.substr(18, 4), std::string("\x03\x02\x0E\x00", 4));
    double value;
    std::memcpy(&value, number.data() + 18 + 10, 8);
    EXPECT_EQ(value, 536870912.0);
}

TEST(XlsWriter, AListTooLongForRowNumbersIsRefusedBeforeTheFileIsTouched) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.rows.assign(kXlsMaxRows, {"x"});  // with the title row one too many
    test::TempFolder folder;
    test::WriteFile(folder / "out.xls", "old export");
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsXLS>, grid, folder / "out.xls", true), ExportError);
    EXPECT_EQ(test::ReadFile(folder / "out.xls"), "old export");
    grid.rows.pop_back();
    SaveGridToExportFile(&MakeWriter<TGridExportAsXLS>, grid, folder / "out.xls", true);
    EXPECT_EQ(std::filesystem::file_size(folder / "out.xls"), 18u + 65536u * 13u + 4u);
}

TEST(XlsWriter, ATextLongerThanARecordIsRefusedAndTheCurrentRowKept) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.rows = {{"a"}, {std::string(kXlsMaxText, 'x')}, {"b"}};
    grid.current = 2;
    test::TempFolder folder;
    SaveGridToExportFile(&MakeWriter<TGridExportAsXLS>, grid, folder / "ok.xls", true);
    grid.rows[1] = {std::string(kXlsMaxText + 1, 'x')};
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsXLS>, grid, folder / "no.xls", true), ExportError);
    EXPECT_FALSE(std::filesystem::exists(folder / "no.xls"));
    EXPECT_EQ(grid.current, 2);
    // Half as many Chinese characters take as many bytes: still too long.
    std::string chinese;
    for (std::size_t i = 0; i < kXlsMaxText / 2 + 1; ++i) chinese += "中";
    grid.rows[1] = {chinese};
    EXPECT_THROW(SaveGridToExportFile(&MakeWriter<TGridExportAsXLS>, grid, folder / "no.xls", true), ExportError);
}

}  // namespace
}  // namespace sitora::gridexport
