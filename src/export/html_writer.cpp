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

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp"; break;
            case '<': escaped += "&lt"; break;
            case '>': escaped += "&gt"; break;
            case '"': escaped += "&quot"; break;
            default: escaped += c;
        }
    }
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
    auto same = [&font](const TFont& other) {
        return other.name == font.name && other.size == font.size && other.color == font.color &&
               other.bold == font.bold && other.italic == font.italic && other.underline == font.underline &&
               other.strike_out == font.strike_out;
    };
    for (const auto& [known, opening] : font_openings_)
        if (same(known)) return opening;
    std::string opening = "<FONT STYLE=\"font-family: " + Ansi(font.name) + "; font-size: " +
                          std::to_string(font.size) + "pt; color: #" + ColorText(font.color) + "\">";
    if (font.bold) opening += "<B>";
    if (font.italic) opening += "<I>";
    if (font.underline) opening += "<U>";
    if (font.strike_out) opening += "<STRIKE>";
    font_openings_.emplace_back(font, std::move(opening));
    return font_openings_.back().second;
}

void TGridExportAsHTML::PutFontElement(const TFont& font, std::string_view text) {
    std::string element = FontOpening(font);
    const std::pair<bool, const char*> styles[] = {
        {font.bold, "B"}, {font.italic, "I"}, {font.underline, "U"}, {font.strike_out, "STRIKE"}};
    const std::string escaped = EscapeHtml(text);
    element += escaped.empty() ? "&nbsp" : escaped;
    for (const auto& [on, tag] : styles)
        if (on) element += std::string("</") + tag + ">";
    element += "</FONT>";
    Put(element);
}

void TGridExportAsHTML::PutCell(int width, TAlignment alignment, const TColor* background, const TFont& font,
                                std::string_view text) {
    std::string cell = "  <TD WIDTH=" + std::to_string(width) + " ALIGN=\"" + AlignmentText(alignment) + "\"";
    if (background) cell += " BGCOLOR=#" + ColorText(*background);
    cell += ">";
    Put(cell);
    PutFontElement(font, text);
    PutLine("</TD>");
}

void TGridExportAsHTML::WriteTitleRow(const TExportColumns& columns) {
    if (columns.empty()) return;
    PutLine("<TR>");
    for (const ExportColumnRef& ref : columns) {
        const TColumn& column = *ref.column;
        PutCell(column.width, column.title.alignment, nullptr, column.title.font, Ansi(column.title.caption));
    }
    PutLine("</TR>");
}

void TGridExportAsHTML::WriteDataRow(const TExportColumns& columns) {
    PutLine("<TR>");
    TGridExport::WriteDataRow(columns);
    PutLine("</TR>");
}

void TGridExportAsHTML::PutDataCell(const ExportColumnRef& column, const TColCellParams& params) {
    PutCell(column.column->width, params.alignment, &params.background, params.font, params.text);
}

void TGridExportAsHTML::WriteSummaryRow(const TExportColumns& columns, int row) {
    PutLine("<TR>");
    TGridExport::WriteSummaryRow(columns, row);
    PutLine("</TR>");
}

void TGridExportAsHTML::PutSummaryCell(int, int, const ExportColumnRef& column, const TFont& font,
                                       TColor background, TAlignment alignment, std::string_view text) {
    PutCell(column.column->width, alignment, &background, font, text);
}

}  // namespace sitora::gridexport
