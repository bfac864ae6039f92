#include "export/text_writers.h"
#include "export/html_writer.h"

#include <gtest/gtest.h>

#include "base/text/cp936.h"
#include "memory_grid.h"

namespace sitora::gridexport {
namespace {

using test::ExportToMemory;
using test::MemoryGrid;

MemoryGrid TwoColumns() {
    MemoryGrid grid;
    grid.AddColumn("网站编号");
    grid.AddColumn("网站名称");
    return grid;
}

TEST(TextWriters, TitleOnlyHasNoLineEnd) {
    MemoryGrid grid = TwoColumns();
    EXPECT_EQ(ExportToMemory<TGridExportAsText>(grid), text::ToCp936("网站编号\t网站名称"));
    EXPECT_EQ(ExportToMemory<TGridExportAsCSV>(grid), text::ToCp936("\"网站编号\";\"网站名称\""));
    grid.options.titles = false;
    EXPECT_EQ(ExportToMemory<TGridExportAsText>(grid), "");
    EXPECT_EQ(ExportToMemory<TGridExportAsCSV>(grid), "");
}

TEST(TextWriters, RowsAreSeparatedByCrLfAndCellsWrittenAsTheyAre) {
    MemoryGrid grid = TwoColumns();
    grid.rows = {{"A01", "名\"称;x"}, {std::nullopt, "tab\there\r\nnext"}, {"", ""}};
    EXPECT_EQ(ExportToMemory<TGridExportAsText>(grid),
              text::ToCp936("网站编号\t网站名称\r\nA01\t名\"称;x\r\n\ttab\there\r\nnext\r\n\t"));
    EXPECT_EQ(ExportToMemory<TGridExportAsCSV>(grid),
              text::ToCp936("\"网站编号\";\"网站名称\"\r\n\"A01\";\"名\"\"称;x\"\r\n\"\";\"tab\there\r\nnext\"\r\n\"\";\"\""));
}

TEST(TextWriters, HiddenColumnsAreNeverWritten) {
    MemoryGrid grid = TwoColumns();
    grid.AddColumn("隐藏").visible = false;
    grid.rows = {{"1", "2", "secret"}};
    EXPECT_EQ(ExportToMemory<TGridExportAsText>(grid), text::ToCp936("网站编号\t网站名称\r\n1\t2"));
}

TEST(TextWriters, QuotesInsideDoubleByteCharactersAreNeverDoubled) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.options.titles = false;
    // Characters outside GBK travel as four-byte GB18030 sequences; none contains 0x22.
    grid.rows = {{"😀\"中"}};
    EXPECT_EQ(ExportToMemory<TGridExportAsCSV>(grid), "\"" + text::ToCp936("😀") + "\"\"" + text::ToCp936("中") + "\"");
}

// A spreadsheet opening the file must not run a name or remark as a formula.
TEST(TextWriters, CellsThatAFormulaCouldBeGainAnApostropheAndNoOtherCellChanges) {
    MemoryGrid grid = TwoColumns();
    grid.rows = {{"=1+1", "=HYPERLINK(\"http://x\")"}, {"+86 10", "-5"}, {"@SUM(A1)", "\tx"}, {"\rx", "a=b"}};
    EXPECT_EQ(ExportToMemory<TGridExportAsText>(grid),
              text::ToCp936("网站编号\t网站名称\r\n'=1+1\t'=HYPERLINK(\"http://x\")\r\n'+86 10\t'-5\r\n"
                            "'@SUM(A1)\t'\tx\r\n'\rx\ta=b"));
    const std::string csv_start = text::ToCp936("\"网站编号\";\"网站名称\"\r\n\"'=1+1\";\"'=HYPERLINK(\"\"http");
    EXPECT_EQ(ExportToMemory<TGridExportAsCSV>(grid).substr(0, csv_start.size()), csv_start);
    const std::string html = ExportToMemory<TGridExportAsHTML>(grid);
    EXPECT_NE(html.find(">'=1+1<"), std::string::npos) << html;
    EXPECT_EQ(html.find(">=1+1<"), std::string::npos);
}

}  // namespace
}  // namespace sitora::gridexport
