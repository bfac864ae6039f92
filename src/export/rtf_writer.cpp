#include "export/rtf_writer.h"

#include <strings.h>

#include <algorithm>
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
    // Every cell asks for three colours; the answer for a colour value never changes in a run.
    for (const auto& [value, number] : color_cache_)
        if (value == color) return number;
    const TColor rgb = grid().ToRgb(color);
    const std::string key = ColorKey(rgb);
    int number = -1;
    for (std::size_t i = 0; i < color_keys_.size(); ++i)
        if (color_keys_[i] == key) number = static_cast<int>(i);
    if (number < 0) {
        color_keys_.push_back(key);
        colors_.push_back(rgb);
        number = static_cast<int>(color_keys_.size() - 1);
    }
    color_cache_.emplace_back(color, number);
    return number;
}

int TGridExportAsRTF::FontNumber(const std::string& name) {
    for (const auto& [known, number] : font_cache_)
        if (known == name) return number;
    const std::string ansi = Ansi(name);
    int number = -1;
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        if (SameNameIgnoringCase(fonts_[i], ansi)) number = static_cast<int>(i);
    if (number < 0) {
        fonts_.push_back(ansi);
        number = static_cast<int>(fonts_.size() - 1);
    }
    font_cache_.emplace_back(name, number);
    return number;
}

int TGridExportAsRTF::Twips(int pixels) const {
    return static_cast<int>(static_cast<double>(pixels) / grid().PixelsPerInch() * 1440.0);
}

std::string TGridExportAsRTF::StyleWords(const TFont& font, TColor background) {
    std::string words = "\\fs" + std::to_string(font.size * 2);
    if (font.bold) words += "\\b";
    if (font.italic) words += "\\i";
    if (font.strike_out) words += "\\strike";
    if (font.underline) words += "\\ul";
    words += "\\f" + std::to_string(FontNumber(font.name));
    words += "\\cf" + std::to_string(ColorNumber(font.color));
    words += "\\cb" + std::to_string(ColorNumber(background));
    words += ' ';
    return words;
}

namespace {

bool IsRtfSpecial(unsigned char c) { return c == '\\' || c == '{' || c == '}'; }

void AppendHexEscape(std::string& out, unsigned char c) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out += "\\'";
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
}

}  // namespace

void TGridExportAsRTF::PutEscaped(std::string_view text) {
    // A backslash or brace byte on its own is escaped with a backslash. A double-byte
    // character whose second byte is one of them is written as two hex escapes: a backslash
    // between its bytes would split it for every reader that decodes the bytes first.
    escaped_.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (trail >= '0' && trail <= '9' && i + 3 < text.size()) {  // a four-byte GB18030 form
                escaped_.append(text.substr(i, 4));
                i += 3;
            } else if (IsRtfSpecial(trail)) {
                AppendHexEscape(escaped_, c);
                AppendHexEscape(escaped_, trail);
                ++i;
            } else {
                escaped_ += static_cast<char>(c);
                escaped_ += static_cast<char>(trail);
                ++i;
            }
            continue;
        }
        if (IsRtfSpecial(c)) escaped_ += '\\';
        escaped_ += static_cast<char>(c);
    }
    Put(escaped_);
}

void TGridExportAsRTF::PutRow(const TExportColumns& columns, std::span<const Cell> cells) {
    const bool same_shadings = header_shadings_.size() == cells.size() &&
                               std::equal(cells.begin(), cells.end(), header_shadings_.begin(),
                                          [](const Cell& cell, TColor shading) { return cell.shading == shading; });
    if (header_.empty() || !same_shadings) {
        header_ = "\\trowd\\trgaph40\r\n";
        header_shadings_.clear();
        int x = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            for (const char* side : {"\\clbrdrl", "\\clbrdrt", "\\clbrdrb", "\\clbrdrr"})
                header_ += std::string(side) + "\\brdrs\\brdrcf0\r\n";
            x += Twips(columns[i].column->width);
            // The cell's colour as its background (\clcbpat), which every reader paints; full
            // shading in the pattern colour (\clshdng10000) made LibreOffice paint it black.
            const std::string shading = std::to_string(ColorNumber(cells[i].shading));
            header_ += "\\clcfpat" + shading + "\\clcbpat" + shading + "\\cellx" + std::to_string(x) + "\r\n";
            header_shadings_.push_back(cells[i].shading);
        }
        header_ += "{\\trrh0\r\n";
        cell_starts_.clear();
    }
    Put(header_);
    const char* spacing = grid().Flat() ? "12" : "24";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        if (i >= cell_starts_.size() || cell_starts_[i].font != cell.font ||
            cell_starts_[i].background != cell.background || cell_starts_[i].alignment != cell.alignment) {
            std::string words = std::string("\\pard\\intbl{") + AlignmentWord(cell.alignment) + "\\sb" + spacing +
                                "\\sa" + spacing;
            words += StyleWords(*cell.font, cell.background);
            CellStart start{cell.font, cell.background, cell.alignment, std::move(words)};
            if (i < cell_starts_.size())
                cell_starts_[i] = std::move(start);
            else
                cell_starts_.push_back(std::move(start));
        }
        Put(cell_starts_[i].words);
        PutEscaped(cell.text);
        PutLine("\\cell}");
    }
    PutLine("\\pard\\intbl\\row}");
}

TGridExportAsRTF::Cell& TGridExportAsRTF::NextRowCell() {
    // The row's cells are kept from row to row, so their texts reuse their room.
    if (row_size_ == row_cells_.size()) row_cells_.emplace_back();
    return row_cells_[row_size_++];
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
    row_size_ = 0;
    TGridExport::WriteDataRow(columns);
    PutRow(columns, std::span<const Cell>(row_cells_.data(), row_size_));
}

void TGridExportAsRTF::PutDataCell(const ExportColumnRef& column, const TColCellParams& params) {
    // The cell's font lives for the row; keep the column's, which the parameters copy.
    Cell& cell = NextRowCell();
    cell.shading = column.column->color;
    cell.alignment = params.alignment;
    cell.font = &column.column->font;
    cell.background = params.background;
    cell.text.assign(params.text);
}

void TGridExportAsRTF::WriteSummaryRow(const TExportColumns& columns, int row) {
    row_size_ = 0;
    TGridExport::WriteSummaryRow(columns, row);
    PutRow(columns, std::span<const Cell>(row_cells_.data(), row_size_));
}

void TGridExportAsRTF::PutSummaryCell(int, int, const ExportColumnRef& column, const TFont&, TColor background,
                                      TAlignment alignment, std::string_view text) {
    NextRowCell() = Cell{background, alignment, &column.column->font, background, std::string(text)};
}

void TGridExportAsRTF::EndOutput() { Put("}"); }

void TGridExportAsRTF::NumberColorsAndFonts() {
    // Every data row numbers the same colours and fonts as the first, so the title row and the
    // first record, written nowhere, number all the body will use, in the body's order.
    OutputStream& file = output();
    NullOutput nowhere;
    SetOutput(&nowhere);
    const TExportColumns columns = ExportColumns();
    if (grid().Options().titles) WriteTitleRow(columns);
    if (grid().RecordCount() > 0) {
        grid().First();
        WriteDataRow(columns);
    }
    SetOutput(&file);
    header_.clear();
    header_shadings_.clear();
    cell_starts_.clear();
}

void TGridExportAsRTF::BeginOutput() {
    color_cache_.clear();
    font_cache_.clear();
    color_keys_.clear();
    colors_.clear();
    fonts_.clear();
    ColorNumber(clBlack);
    ColorNumber(clWhite);
    ColorNumber(clBtnFace);
    NumberColorsAndFonts();

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
}

}  // namespace sitora::gridexport
