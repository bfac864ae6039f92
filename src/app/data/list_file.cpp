#include "app/data/list_file.h"

#include <algorithm>

#include "app/data/data_error.h"
#include "app/text/byte_strings.h"
#include "app/text/cp936.h"

namespace sitora::data {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

struct Heading {
    std::string_view column;
    std::string_view titles[3];
};

// The titles the lists and the add window show for each column, blanks and colons left out.
constexpr Heading kHeadings[] = {
    {"web_id", {"网站编号"}},
    {"web_name", {"网站名称"}},
    {"web_address", {"网站地址"}},
    {"web_login", {"网站后台地址", "后台地址", "网站后台"}},
    {"web_user", {"后台用户"}},
    {"web_pass", {"后台密码"}},
    {"web_ip", {"网站IP"}},
    {"web_size", {"网站容量"}},
    {"web_domain", {"网站域名"}},
    {"web_domainuser", {"域名用户"}},
    {"web_domainpass", {"域名密码"}},
    {"web_linkman", {"联系人", "网站联系人"}},
    {"web_dbname", {"数据库名"}},
    {"web_dbsize", {"容量", "数据库容量"}},
    {"web_dbip", {"地址", "数据库地址"}},
    {"web_dbuser", {"用户名", "数据库用户"}},
    {"web_dbpass", {"密码", "数据库密码"}},
    {"web_dbtype", {"类型", "数据库类型"}},
    {"web_time", {"空间申请日期", "网站空间购买日期"}},
    {"web_endtime", {"空间到期日期", "网站空间到期时间"}},
    {"web_domaintime", {"域名申请日期", "网站域名申请时间"}},
    {"web_enddomaintime", {"域名到期日期", "网站域名到期时间"}},
    {"web_remark", {"备注信息", "备注"}},
};

constexpr std::string_view kRequired[] = {"web_id", "web_time", "web_endtime", "web_domaintime", "web_enddomaintime"};

std::size_t LineOf(std::string_view text, std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

// A file that is not UTF-8 throughout, yet holds lines of multi-byte UTF-8, was put together
// from two sources: read as code page 936 its UTF-8 lines would turn into other characters.
void RefuseMixedEncodings(std::string_view bytes) {
    bool utf8_line = false;
    std::vector<std::size_t> other_lines;
    std::size_t line = 1;
    for (std::size_t begin = 0; begin < bytes.size(); ++line) {
        std::size_t end = bytes.find('\n', begin);
        if (end == std::string_view::npos) end = bytes.size();
        const std::string_view text = bytes.substr(begin, end - begin);
        const bool multi_byte = std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; });
        if (multi_byte && text::IsValidUtf8(text)) utf8_line = true;
        else if (multi_byte && other_lines.size() < 5) other_lines.push_back(line);
        begin = end + 1;
    }
    if (!utf8_line || other_lines.empty()) return;
    std::string lines;
    for (std::size_t other : other_lines) lines += (lines.empty() ? "" : ", ") + std::to_string(other);
    throw DataError("the file mixes UTF-8 with another encoding: line " + lines +
                    " is not UTF-8; save the whole file in one encoding");
}

// The file's text as UTF-8, and whether it came in code page 936.
std::pair<std::string, bool> Decode(std::string_view bytes) {
    if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF"))
        throw DataError("the file is in UTF-16: save it as CSV in UTF-8 or code page 936");
    if (bytes.substr(0, 3) == kByteOrderMark) {
        bytes.remove_prefix(3);
        if (!text::IsValidUtf8(bytes)) throw DataError("the file starts as UTF-8 but is not UTF-8 throughout");
        return {std::string(bytes), false};
    }
    if (text::IsValidUtf8(bytes)) return {std::string(bytes), false};
    std::string text = text::FromCp936(bytes);
    if (const auto bad = text.find("\xEF\xBF\xBD"); bad != std::string::npos)
        throw DataError("line " + std::to_string(LineOf(text, bad)) + " is neither UTF-8 nor code page 936");
    RefuseMixedEncodings(bytes);
    return {std::move(text), true};
}

// Splits CSV text into rows of cells. A cell that starts with a quote runs to the matching
// quote ("" inside stands for one) and may hold separators and line breaks.
class Splitter {
public:
    Splitter(std::string_view text, char separator) : text_(text), separator_(separator) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    std::size_t Line() const { return line_; }

    std::vector<std::string> NextRow() {
        std::vector<std::string> cells;
        for (;;) {
            cells.push_back(NextCell());
            if (AtEnd()) break;
            const char c = text_[pos_];
            if (c == separator_) {
                ++pos_;
                continue;
            }
            EndLine();
            break;
        }
        return cells;
    }

private:
    void EndLine() {
        if (text_[pos_] == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        ++line_;
    }

    std::string NextCell() {
        if (pos_ < text_.size() && text_[pos_] == '"') return QuotedCell();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\n' && text_[pos_] != '\r') ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string QuotedCell() {
        const std::size_t opened = line_;
        std::string cell;
        ++pos_;
        for (;;) {
            const std::size_t quote = text_.find('"', pos_);
            if (quote == std::string_view::npos)
                throw DataError("line " + std::to_string(opened) + ": a quote is opened and never closed");
            const std::string_view piece = text_.substr(pos_, quote - pos_);
            line_ += static_cast<std::size_t>(std::count(piece.begin(), piece.end(), '\n'));
            cell.append(piece);
            pos_ = quote + 1;
            if (pos_ < text_.size() && text_[pos_] == '"') {
                cell += '"';
                ++pos_;
                continue;
            }
            break;
        }
        // Text after the closing quote belongs to the cell, as spreadsheets read it.
        while (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\n' && text_[pos_] != '\r')
            cell += text_[pos_++];
        return cell;
    }

    std::string_view text_;
    char separator_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

std::string HeadingKey(std::string_view heading) {
    std::string key;
    for (char c : text::TrimBlanks(heading))
        if (c != ' ' && c != ':') key += c;
    for (std::string_view colon : {"：", "　"})
        for (std::size_t at; (at = key.find(colon)) != std::string::npos;) key.erase(at, colon.size());
    return key;
}

// The separator under which the first line names the most columns.
char ChooseSeparator(std::string_view text) {
    char best = ',';
    int best_count = -1;
    for (char candidate : {'\t', ';', ','}) {
        Splitter splitter(text, candidate);
        int count = 0;
        try {
            for (const std::string& cell : splitter.NextRow()) count += ColumnForHeading(cell) ? 1 : 0;
        } catch (const DataError&) {
            count = 0;
        }
        if (count > best_count) best = candidate, best_count = count;
    }
    return best;
}

bool BlankRow(const std::vector<std::string>& cells) {
    return std::all_of(cells.begin(), cells.end(), [](const std::string& cell) { return text::TrimBlanks(cell).empty(); });
}

}  // namespace

std::optional<std::string_view> ColumnForHeading(std::string_view heading) {
    const std::string key = HeadingKey(heading);
    for (const Heading& entry : kHeadings) {
        if (text::EqualIgnoringAsciiCase(key, entry.column)) return entry.column;
        for (std::string_view title : entry.titles)
            if (!title.empty() && key == title) return entry.column;
    }
    return std::nullopt;
}

ListFile ReadListFile(std::string_view bytes) {
    ListFile list;
    auto [text, code_page_936] = Decode(bytes);
    list.code_page_936 = code_page_936;
    list.separator = ChooseSeparator(text);
    list.cell_of.fill(-1);

    Splitter splitter(text, list.separator);
    bool headings_read = false;
    while (!splitter.AtEnd()) {
        const std::size_t line = splitter.Line();
        auto cells = splitter.NextRow();
        if (BlankRow(cells)) continue;
        if (!headings_read) {
            headings_read = true;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const auto column = ColumnForHeading(cells[i]);
                if (!column) throw DataError("line " + std::to_string(line) + ": the heading \"" + cells[i] +
                                             "\" names no column of the register");
                int& cell = list.cell_of[RecordColumnIndex(*column)];
                if (cell >= 0) throw DataError("line " + std::to_string(line) + ": the column " +
                                               std::string(*column) + " is named twice");
                cell = static_cast<int>(i);
            }
            for (std::string_view required : kRequired)
                if (list.cell_of[RecordColumnIndex(required)] < 0)
                    throw DataError("the first line names no column for " + std::string(required));
            continue;
        }
        list.rows.push_back({line, std::move(cells)});
    }
    if (!headings_read) throw DataError("the file is empty");
    return list;
}

}  // namespace sitora::data
