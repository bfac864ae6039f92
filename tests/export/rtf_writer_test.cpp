#include "export/rtf_writer.h"

#include <gtest/gtest.h>

#include "base/text/cp936.h"
#include "memory_grid.h"

namespace sitora::gridexport {
namespace {

using test::ExportToMemory;
using test::MemoryGrid;

const std::string kBorders =
    "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";

TEST(RtfWriter, WritesHeaderTablesAndRowsByteForByte) {
    MemoryGrid grid;
    grid.AddColumn("网站编号", 125);
    grid.rows = {{"a{b}\\c"}};
    const std::string face = text::ToCp936("微软雅黑");
    const std::string expected =
        "{\\rtf0\\ansi\\ansicpg936\r\n"
        "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red192\\green192\\blue192;"
        "\\red0\\green128\\blue128;}\r\n"
        "{\\fonttbl\\f0\\fnil\\fcharset134 " + face + ";}\r\n"
        // title row: teal shading is colour 3, white text colour 1
        "\\trowd\\trgaph40\r\n" + kBorders + "\\clcfpat3\\clcbpat3\\cellx1875\r\n{\\trrh0\r\n"
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\b\\f0\\cf1\\cb3 " + text::ToCp936("网站编号") + "\\cell}\r\n"
        "\\pard\\intbl\\row}\r\n"
        // data row: window white shading (1), window text black (0)
        "\\trowd\\trgaph40\r\n" + kBorders + "\\clcfpat1\\clcbpat1\\cellx1875\r\n{\\trrh0\r\n"
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs20\\b\\f0\\cf0\\cb1 a\\{b\\}\\\\c\\cell}\r\n"
        "\\pard\\intbl\\row}\r\n"
        "}";
    EXPECT_EQ(ExportToMemory<TGridExportAsRTF>(grid), expected);
}

TEST(RtfWriter, EscapesBraceAndBackslashBytesInsideDoubleByteCharacters) {
    MemoryGrid grid;
    grid.AddColumn("t");
    grid.options.titles = false;
    // 0x81 0x5C, 0x81 0x7B and 0x81 0x7D are characters whose second byte is
    // "\", "{" and "}": written as hex escapes, as readers that decode the bytes first need.
    // A lone backslash or brace takes a backslash; every other character keeps its bytes.
    grid.rows = {{text::FromCp936("\x81\x5C\x81\x7B\x81\x7D") + "\\{中"}};
    EXPECT_NE(ExportToMemory<TGridExportAsRTF>(grid).find(" \\'81\\'5c\\'81\\'7b\\'81\\'7d\\\\\\{" +
                                                          text::ToCp936("中") + "\\cell}"),
              std::string::npos);
}

TEST(RtfWriter, EqualColoursAndFontNamesDifferingInCaseShareTheirNumbers) {
    MemoryGrid grid;
    TColumn& a = grid.AddColumn("a", 10);
    a.title.color = 0x00C0C0C0;  // the button face's RGB: colour 2
    a.title.font.name = "Arial";
    TColumn& b = grid.AddColumn("b", 10);
    b.title.color = clBtnFace;
    b.title.font.name = "ARIAL";
    const std::string rtf = ExportToMemory<TGridExportAsRTF>(grid);
    EXPECT_NE(rtf.find("{\\fonttbl\\f0\\fnil\\fcharset134 Arial;}\r\n"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\clcfpat2\\clcbpat2\\cellx150\r\n"), std::string::npos);
    EXPECT_NE(rtf.find("\\clcfpat2\\clcbpat2\\cellx300\r\n"), std::string::npos);
    EXPECT_EQ(rtf.find("\\red192\\green192\\blue192;\\red192"), std::string::npos);
}

TEST(RtfWriter, StyleWordsComeInTheirOrderAndWidthsUseTheResolution) {
    MemoryGrid grid;
    grid.pixels_per_inch = 120;
    TColumn& column = grid.AddColumn("t", 100);
    column.title.font = {"Arial", 9, clBlack, true, true, true, true};
    const std::string rtf = ExportToMemory<TGridExportAsRTF>(grid);
    EXPECT_NE(rtf.find("\\fs18\\b\\i\\strike\\ul\\f0\\cf0\\cb3 t"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\cellx1200\r\n"), std::string::npos);
}

TEST(RtfWriter, ColoursOfDataRowsAloneAreInTheTableInFrontOfThem) {
    MemoryGrid grid;
    grid.options.titles = false;
    TColumn& column = grid.AddColumn("t", 10);
    column.color = 0x00563412;
    column.font.color = 0x00BBAA99;
    grid.rows = {{"x"}, {"y"}};
    const std::string rtf = ExportToMemory<TGridExportAsRTF>(grid);
    // Shading first, then the text colour, after the three colours every document starts with.
    EXPECT_NE(rtf.find("\\red192\\green192\\blue192;\\red18\\green52\\blue86;\\red153\\green170\\blue187;}"),
              std::string::npos)
        << rtf;
    EXPECT_NE(rtf.find("\\cf4\\cb3 x\\cell}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\cf4\\cb3 y\\cell}"), std::string::npos) << rtf;
}

TEST(RtfWriter, NoColumnsStillGiveATitleRowFrame) {
    MemoryGrid grid;
    const std::string rtf = ExportToMemory<TGridExportAsRTF>(grid);
    EXPECT_NE(rtf.find("{\\fonttbl}\r\n\\trowd\\trgaph40\r\n{\\trrh0\r\n\\pard\\intbl\\row}\r\n}"), std::string::npos)
        << rtf;
}

}  // namespace
}  // namespace sitora::gridexport
