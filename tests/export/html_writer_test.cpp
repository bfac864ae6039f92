#include "export/html_writer.h"

#include <gtest/gtest.h>

#include "base/text/cp936.h"
#include "memory_grid.h"

namespace sitora::gridexport {
namespace {

using test::ExportToMemory;
using test::MemoryGrid;

const std::string kHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">\r\n"
    "<TITLE>\r\nDBGrid1\r\n</TITLE>\r\n</HEAD>\r\n<BODY>\r\n";
const std::string kTail = "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";

TEST(HtmlWriter, WritesTheWholeDocumentByteForByte) {
    MemoryGrid grid;
    grid.AddColumn("网站编号", 125);
    grid.rows = {{"A&B<C>"}, {std::nullopt}};
    const std::string font_title =
        "<FONT STYLE=\"font-family: " + text::ToCp936("微软雅黑") + "; font-size: 10pt; color: #FFFFFF\">";
    const std::string font_cell =
        "<FONT STYLE=\"font-family: " + text::ToCp936("微软雅黑") + "; font-size: 10pt; color: #000000\">";
    const std::string expected =
        kHead + "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#C0C0C0>\r\n\r\n" +
        "<TR>\r\n  <TD WIDTH=125 ALIGN=\"CENTER\">" + font_title + "<B>" + text::ToCp936("网站编号") +
        "</B></FONT></TD>\r\n</TR>\r\n" +
        "<TR>\r\n  <TD WIDTH=125 ALIGN=\"CENTER\" BGCOLOR=#FFFFFF>" + font_cell +
        "<B>A&amp;B&lt;C&gt;</B></FONT></TD>\r\n</TR>\r\n" +
        "<TR>\r\n  <TD WIDTH=125 ALIGN=\"CENTER\" BGCOLOR=#FFFFFF>" + font_cell + "<B>&nbsp;</B></FONT></TD>\r\n</TR>\r\n" +
        kTail;
    EXPECT_EQ(ExportToMemory<TGridExportAsHTML>(grid), expected);
}

TEST(HtmlWriter, EscapesWithSemicolonsAndAgainOverExistingEntities) {
    EXPECT_EQ(EscapeHtml("a&amp;\"q\""), "a&amp;amp;&quot;q&quot;");
    EXPECT_EQ(EscapeHtml(""), "");
}

TEST(HtmlWriter, StylesOpenAndCloseInTheSameOrderAndClNoneIsBlack) {
    MemoryGrid grid;
    TColumn& column = grid.AddColumn("t", 50);
    column.font = {"Arial", 12, 0x000000FF, true, true, true, true};
    column.color = clNone;
    column.alignment = TAlignment::taRightJustify;
    grid.options.titles = false;
    grid.rows = {{"x"}};
    const std::string html = ExportToMemory<TGridExportAsHTML>(grid);
    EXPECT_NE(html.find("  <TD WIDTH=50 ALIGN=\"RIGHT\" BGCOLOR=#000000><FONT STYLE=\"font-family: Arial; "
                        "font-size: 12pt; color: #FF0000\"><B><I><U><STRIKE>x</B></I></U></STRIKE></FONT></TD>\r\n"),
              std::string::npos)
        << html;
}

TEST(HtmlWriter, TableBorderFollowsTheGridLines) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.options = {true, false, false};
    EXPECT_NE(ExportToMemory<TGridExportAsHTML>(grid).find("<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=2 BGCOLOR="),
              std::string::npos);
    grid.options = {true, true, false};
    grid.ctl3d = false;
    grid.flat = true;
    grid.fixed_color = 0x00563412;
    EXPECT_NE(ExportToMemory<TGridExportAsHTML>(grid).find("<TABLE BORDER=0 CELLSPACING=1 CELLPADDING=1 BGCOLOR=#123456>"),
              std::string::npos);
}

TEST(HtmlWriter, AnEmptyGridWithoutColumnsHasNoTitleRow) {
    MemoryGrid grid;
    EXPECT_EQ(ExportToMemory<TGridExportAsHTML>(grid),
              kHead + "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#C0C0C0>\r\n\r\n" + kTail);
}

}  // namespace
}  // namespace sitora::gridexport
