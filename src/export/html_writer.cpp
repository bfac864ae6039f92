#include "export/html_writer.h"

#include <cstdio>

namespace sitora::gridexport {

const char* AlignmentText(TAlignment alignment) {
    switch (alignment) {
        case TAlignment::taRightJustify: return "RIGHT";
        case TAlignment::taCenter: return "CENTER";
        case TAlignment::taLeftJustify: break;
    }
    return "LEFT";
}

namespace {

// Hands the text to `put` in pieces: runs of plain bytes and the entities between them.
template <typename Put>
void EscapeInPieces(std::string_view text, const Put& put) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view entity;
        switch (text[i]) {
            case '&': entity = "&amp;"; break;
            case '<': entity = "&lt;"; break;
            case '>': entity = "&gt;"; break;
            case '"': entity = "&quot;"; break;
            default: continue;
        }
        put(text.substr(start, i - start));
        put(entity);
        start = i + 1;
    }
    put(text.substr(start));
}

bool SameFont(const TFont& a, const TFont& b) {
    return a.name == b.name && a.size == b.size && a.color == b.color && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.strike_out == b.strike_out;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + 8);
    EscapeInPieces(text, [&escaped](std::string_view piece) { escaped += piece; });
    return escaped;
}

std::string TGridExportAsHTML::ColorText(TColor color) const {
    for (const auto& [value, text] : color_texts_)
        if (value == color) return text;
    if (color == clNone) return "000000";
    const TColor rgb = grid().ToRgb(color);
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    return text;
}

void TGridExportAsHTML::BeginOutput() {
    font_openings_.clear();
    frames_.clear();
    color_texts_.clear();
    for (TColor color : {clWindow, clWindowText, clBtnFace, clWhite, clTeal})
        color_texts_.emplace_back(color, ColorText(color));
    PutLine("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">");
    PutLine("<HTML>");
    PutLine("<HEAD>");
    // The page's bytes are code page 936; say so, or other readers guess another encoding.
    PutLine("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GBK\">");
    PutLine("<TITLE>");
    PutLine(Ansi(grid().Name()));
    PutLine("</TITLE>");
    PutLine("</HEAD>");
    PutLine("<BODY>");
    const TGridOptions options = grid().Options();
    std::string table = "<TABLE ";
    if (!options.col_lines && !options.row_lines)
        table += "BORDER=0 CELLSPACING=0 CELLPADDING=";
    else if (grid().Ctl3D())
        table += "BORDER=1 CELLSPACING=0 CELLPADDING=";
    else
        table += "BORDER=0 CELLSPACING=1 CELLPADDING=";
    table += grid().Flat() ? "1" : "2";
    table += " BGCOLOR=#" + ColorText(grid().FixedColor()) + ">\r\n";
    PutLine(table);
}

void TGridExportAsHTML::EndOutput() {
    PutLine("</TABLE>");
    PutLine("</BODY>");
    PutLine("</HTML>");
}

const std::string& TGridExportAsHTML::FontOpening(const TFont& font) {
    for (const auto& [known, opening] : font_openings_)
        if (SameFont(known, font)) return opening;
    std::string opening = "<FONT STYLE=\"font-family: " + Ansi(font.name) + "; font-size: " +
                          std::to_string(font.size) + "pt; color: #" + ColorText(font.color) + "\">";
    if (font.bold) opening += "<B>";
    if (font.italic) opening += "<I>";
    if (font.underline) opening += "<U>";
    if (font.strike_out) opening += "<STRIKE>";
    font_openings_.emplace_back(font, std::move(opening));
    return font_openings_.back().second;
}

std::string TGridExportAsHTML::FontClosing(const TFont& font) {
    std::string closing;
    const std::pair<bool, const char*> styles[] = {
        {font.bold, "B"}, {font.italic, "I"}, {font.underline, "U"}, {font.strike_out, "STRIKE"}};
    for (const auto& [on, tag] : styles)
        if (on) closing += std::string("</") + tag + ">";
    return closing + "</FONT>";
}

const TGridExportAsHTML::CellFrame& TGridExportAsHTML::FrameOf(int column, int width, TAlignment alignment,
                                                              const TColor* background, const TFont& font) {
    // A column's cells share their frame; the title row's frame differs, so each column keeps
    // the last one made and makes it again only when asked for another.
    if (static_cast<std::size_t>(column) >= frames_.size()) frames_.resize(column + 1);
    CellFrame& frame = frames_[column];
    const TColor background_value = background ? *background : clNone;
    if (frame.made && frame.width == width && frame.alignment == alignment &&
        frame.has_background == (background != nullptr) && frame.background == background_value &&
        SameFont(frame.font, font))
        return frame;
    std::string opening = "  <TD WIDTH=" + std::to_string(width) + " ALIGN=\"" + AlignmentText(alignment) + "\"";
    if (background) opening += " BGCOLOR=#" + ColorText(*background);
    opening += ">" + FontOpening(font);
    frame = CellFrame{true, width, alignment, background != nullptr, background_value, font, std::move(opening),
                      FontClosing(font) + "</TD>\r\n"};
    return frame;
}

void TGridExportAsHTML::PutEscaped(std::string_view text) {
    if (text.empty())
        Put("&nbsp;");
    else
        EscapeInPieces(text, [this](std::string_view piece) { Put(piece); });
}

void TGridExportAsHTML::PutCell(int column, int width, TAlignment alignment, const TColor* background,
                                const TFont& font, std::string_view text) {
    const CellFrame& frame = FrameOf(column, width, alignment, background, font);
    Put(frame.opening);
    PutEscaped(text);
    Put(frame.closing);
}

void TGridExportAsHTML::WriteTitleRow(const TExportColumns& columns) {
    if (columns.empty()) return;
    PutLine("<TR>");
    for (const ExportColumnRef& ref : columns) {
        const TColumn& column = *ref.column;
        PutCell(ref.index, column.width, column.title.alignment, nullptr, column.title.font,
                Ansi(column.title.caption));
    }
    PutLine("</TR>");
}

void TGridExportAsHTML::WriteDataRow(const TExportColumns& columns) {
    PutLine("<TR>");
    TGridExport::WriteDataRow(columns);
    PutLine("</TR>");
}

void TGridExportAsHTML::PutDataCell(const ExportColumnRef& column, const TColCellParams& params) {
    const int width = column.column->width;
    if (LooksLikeFormula(params.text))
        PutCell(column.index, width, params.alignment, &params.background, params.font, "'" + params.text);
    else
        PutCell(column.index, width, params.alignment, &params.background, params.font, params.text);
}

void TGridExportAsHTML::WriteSummaryRow(const TExportColumns& columns, int row) {
    PutLine("<TR>");
    TGridExport::WriteSummaryRow(columns, row);
    PutLine("</TR>");
}

void TGridExportAsHTML::PutSummaryCell(int, int, const ExportColumnRef& column, const TFont& font,
                                       TColor background, TAlignment alignment, std::string_view text) {
    PutCell(column.index, column.column->width, alignment, &background, font, text);
}

}  // namespace sitora::gridexport
