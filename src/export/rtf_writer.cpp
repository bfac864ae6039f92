#include "export/rtf_writer.h"

#include <strings.h>

#include <cstdio>

namespace sitora::gridexport {
namespace {

const char* AlignmentWord(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taRightJustify: return "\\qr";
        case TAlignment::taCenter: return "\\qc";
        case TAlignment::taLeftJustify: break;
    }
    return "\\ql";
}

std::string ColorKey(TColor rgb) {
    char key[16];
    std::snprintf(key, sizeof key, "%3u%3u%3u", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    return key;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

int TGridExportAsRTF::ColorNumber(TColor color) {
    const TColor rgb = grid().ToRgb(color);
    const std::string key = ColorKey(rgb);
    for (std::size_t i = 0; i < color_keys_.size(); ++i)
        if (color_keys_[i] == key) return static_cast<int>(i);
    color_keys_.push_back(key);
    colors_.push_back(rgb);
    return static_cast<int>(color_keys_.size() - 1);
}

int TGridExportAsRTF::FontNumber(const std::string& name) {
    const std::string ansi = Ansi(name);
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (SameNameIgnoringCase(fonts_[i], ansi)) return static_cast<int>(i);
    fonts_.push_back(ansi);
    return static_cast<int>(fonts_.size() - 1);
}

int TGridExportAsRTF::Twips(int pixels) const {
    return static_cast<int>(static_cast<double>(pixels) / grid().PixelsPerInch() * 1440.0);
}

void TGridExportAsRTF::PutStyledText(const TFont& font, TColor background, std::string_view text) {
    std::string styled = "\\fs" + std::to_string(font.size * 2);
    if (font.bold) styled += "\\b";
    if (font.italic) styled += "\\i";
    if (font.strike_out) styled += "\\strike";
    if (font.underline) styled += "\\ul";
    styled += "\\f" + std::to_string(FontNumber(font.name));
    styled += "\\cf" + std::to_string(ColorNumber(font.color));
    styled += "\\cb" + std::to_string(ColorNumber(background));
    styled += ' ';
    // Every backslash and brace byte is escaped, also as the second byte of a character.
    for (char c : text) {
        if (c == '\\' || c == '{' || c == '}') styled += '\\';
        styled += c;
    }
    Put(styled);
}

void TGridExportAsRTF::PutRow(const TExportColumns& columns, const std::vector<Cell>& cells) {
    Put("\\trowd");
    PutLine("\\trgaph40");
    int x = 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        for (const char* side : {"\\clbrdrl", "\\clbrdrt", "\\clbrdrb", "\\clbrdrr"}) {
            Put(side);
            Put("\\brdrs");
            PutLine("\\brdrcf0");
        }
        x += Twips(columns[i].column->width);
        Put("\\clshdng10000\\clcfpat" + std::to_string(ColorNumber(cells[i].shading)));
        PutLine("\\cellx" + std::to_string(x));
    }
    PutLine("{\\trrh0");
    const std::string spacing = grid().Flat() ? "12" : "24";
    for (const Cell& cell : cells) {
        Put(std::string("\\pard\\intbl{") + AlignmentWord(cell.alignment) + "\\sb" + spacing + "\\sa" + spacing);
        PutStyledText(*cell.font, cell.background, cell.text);
        PutLine("\\cell}");
    }
    PutLine("\\pard\\intbl\\row}");
}

void TGridExportAsRTF::WriteTitleRow(const TExportColumns& columns) {
    std::vector<Cell> cells;
    for (const ExportColumnRef& ref : columns) {
        const TColumnTitle& title = ref.column->title;
        cells.push_back({title.color, title.alignment, &title.font, title.color, Ansi(title.caption)});
    }
    PutRow(columns, cells);
}

void TGridExportAsRTF::WriteDataRow(const TExportColumns& columns) {
    row_cells_.clear();
    TGridExport::WriteDataRow(columns);
    PutRow(columns, row_cells_);
}

void TGridExportAsRTF::PutDataCell(const ExportColumnRef& column, const TColCellParams& params) {
    // The cell's font lives for the row; keep the column's, which the parameters copy.
    row_cells_.push_back({column.column->color, params.alignment, &column.column->font, params.background, params.text});
}

void TGridExportAsRTF::WriteSummaryRow(const TExportColumns& columns, int row) {
    row_cells_.clear();
    TGridExport::WriteSummaryRow(columns, row);
    PutRow(columns, row_cells_);
}

void TGridExportAsRTF::PutSummaryCell(int, int, const ExportColumnRef& column, const TFont&, TColor background,
                                      TAlignment alignment, std::string_view text) {
    row_cells_.push_back({background, alignment, &column.column->font, background, std::string(text)});
}

void TGridExportAsRTF::EndOutput() { Put("}"); }

void TGridExportAsRTF::ExportGridToStream(OutputStream& stream, bool save_all) {
    color_keys_.clear();
    colors_.clear();
    fonts_.clear();
    ColorNumber(clBlack);
    ColorNumber(clWhite);
    ColorNumber(clBtnFace);

    MemoryOutput body;
    TGridExport::ExportGridToStream(body, save_all);

    SetOutput(&stream);
    // The code page is declared so that readers outside a Chinese system read the text right.
    PutLine("{\\rtf0\\ansi\\ansicpg936");
    std::string colors = "{\\colortbl";
    for (TColor rgb : colors_)
        colors += "\\red" + std::to_string(rgb & 0xFF) + "\\green" + std::to_string((rgb >> 8) & 0xFF) + "\\blue" +
                  std::to_string((rgb >> 16) & 0xFF) + ";";
    PutLine(colors + "}");
    std::string fonts = "{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        fonts += "\\f" + std::to_string(i) + "\\fnil\\fcharset134 " + fonts_[i] + ";";
    PutLine(fonts + "}");
    Put(body.data());
}

}  // namespace sitora::gridexport
