#include "data/import/list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "data/data_error.h"
#include "base/text/byte_strings.h"
#include "base/text/cp936.h"
#include "base/files/file_ops.h"

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

constexpr std::size_t kChunkBytes = 1 << 20;

// The piece read at once: a megabyte, or less for a smaller list.
std::size_t ChunkFor(const ListBytes& bytes) {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(bytes.Size() + 1, 4096, kChunkBytes));
}
// A cell may be this long; the rest of a longer one is not kept, and its row is refused.
constexpr std::size_t kLongestCell = 1 << 20;
// No list names more columns than this; the heading line's cells beyond it are not kept.
constexpr std::size_t kMostHeadings = 64;

// What a first pass over the bytes tells: the encoding, whether UTF-8 lines stand beside lines
// of another encoding, and how many lines there are at most.
struct EncodingScan {
    bool byte_order_mark = false;
    bool utf8 = true;
    bool utf8_line = false;                // a line of multi-byte UTF-8
    std::vector<std::size_t> other_lines;  // the first few lines with bytes that are no UTF-8
    std::size_t line_breaks = 0;
};

// Checks UTF-8 one byte at a time, line by line, across the chunks it is given.
class Utf8Scanner {
public:
    explicit Utf8Scanner(EncodingScan& scan) : scan_(scan) {}

    void Feed(std::string_view bytes) {
        for (char c : bytes) Take(static_cast<unsigned char>(c));
    }
    void Finish() {
        if (needed_ > 0) Invalid();
        EndLine();
    }

private:
    void Take(unsigned char byte) {
        if (byte >= 0x80) line_multi_byte_ = true;
        if (needed_ > 0) {
            if ((byte & 0xC0) == 0x80) {
                code_point_ = code_point_ << 6 | (byte & 0x3F);
                if (--needed_ == 0 && !Acceptable()) Invalid();
                return;
            }
            Invalid();  // the sequence broke off; this byte starts anew
        }
        if (byte == '\n') {
            EndLine();
            ++scan_.line_breaks;
            return;
        }
        if (byte < 0x80) return;
        if (byte >= 0xC2 && byte < 0xE0) Start(2, byte & 0x1F);
        else if (byte >= 0xE0 && byte < 0xF0) Start(3, byte & 0x0F);
        else if (byte >= 0xF0 && byte < 0xF5) Start(4, byte & 0x07);
        else Invalid();
    }
    void Start(int length, std::uint32_t bits) {
        length_ = length;
        needed_ = length - 1;
        code_point_ = bits;
    }
    bool Acceptable() const {
        return !((length_ == 3 && code_point_ < 0x800) || (length_ == 4 && (code_point_ < 0x10000 || code_point_ > 0x10FFFF)) ||
                 (code_point_ >= 0xD800 && code_point_ < 0xE000));
    }
    void Invalid() {
        needed_ = 0;
        line_valid_ = false;
        scan_.utf8 = false;
    }
    void EndLine() {
        if (line_multi_byte_ && line_valid_) scan_.utf8_line = true;
        if (!line_valid_ && scan_.other_lines.size() < 5) scan_.other_lines.push_back(line_);
        ++line_;
        line_multi_byte_ = false;
        line_valid_ = true;
    }

    EncodingScan& scan_;
    int needed_ = 0;
    int length_ = 0;
    std::uint32_t code_point_ = 0;
    bool line_multi_byte_ = false;
    bool line_valid_ = true;
    std::size_t line_ = 1;
};

EncodingScan ScanEncoding(ListBytes& bytes) {
    EncodingScan scan;
    std::string chunk(ChunkFor(bytes), '\0');
    std::size_t got = bytes.ReadAt(0, chunk.data(), chunk.size());
    const std::string_view start(chunk.data(), got);
    if (start.size() >= 2 && (start.substr(0, 2) == "\xFF\xFE" || start.substr(0, 2) == "\xFE\xFF"))
        throw ListFileError(ListFault::kUtf16, "the file is in UTF-16: save it as CSV in UTF-8 or code page 936");
    scan.byte_order_mark = start.substr(0, 3) == kByteOrderMark;
    Utf8Scanner scanner(scan);
    // The first chunk, already read, is scanned from after the mark; the rest as it comes.
    scanner.Feed(start.substr(scan.byte_order_mark ? 3 : 0));
    for (std::uint64_t offset = got; got > 0; offset += got) {
        got = bytes.ReadAt(offset, chunk.data(), chunk.size());
        scanner.Feed(std::string_view(chunk.data(), got));
    }
    scanner.Finish();
    if (scan.byte_order_mark && !scan.utf8)
        throw ListFileError(ListFault::kBrokenUtf8, "the file starts as UTF-8 but is not UTF-8 throughout");
    return scan;
}

}  // namespace

std::size_t ListBytesInMemory::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
    if (offset >= bytes_.size()) return 0;
    return bytes_.copy(buffer, size, static_cast<std::size_t>(offset));
}

ListBytesInFile::ListBytesInFile(const std::filesystem::path& path)
    : fd_(files::OpenRegularFile(path, O_RDONLY)) {
    if (fd_ < 0) throw ListFileError(ListFault::kUnreadable, "cannot read " + path.string(), 0, std::strerror(errno));
}

ListBytesInFile::~ListBytesInFile() { close(fd_); }

std::uint64_t ListBytesInFile::Size() const {
    struct stat status {};
    return fstat(fd_, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : kChunkBytes;
}

std::size_t ListBytesInFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = pread(fd_, buffer, size, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw ListFileError(ListFault::kUnreadable, std::string("cannot read the list: ") + std::strerror(errno), 0,
                                std::strerror(errno));
    }
}

// The list's text as UTF-8, decoded a chunk at a time as it is read.
class ListReader::Text {
public:
    Text(ListBytes& bytes, bool code_page_936, std::uint64_t start)
        : bytes_(bytes), code_page_936_(code_page_936), offset_(start), chunk_(ChunkFor(bytes)) {}

    // The byte at the read position, or -1 at the end.
    int Peek() {
        if (position_ == text_.size() && !Refill()) return -1;
        return static_cast<unsigned char>(text_[position_]);
    }
    void Advance() { ++position_; }
    void SkipBuffered() { position_ = text_.size(); }
    // What is buffered from the read position on, at least `size` bytes where the list has them.
    std::string_view Ahead(std::size_t size) {
        while (text_.size() - position_ < size && Refill()) {
        }
        return std::string_view(text_).substr(position_, size);
    }

private:
    // Reads and decodes the next chunk; false at the end of the list.
    bool Refill() {
        text_.erase(0, position_);
        position_ = 0;
        const std::size_t before = text_.size();
        while (text_.size() == before && !ended_) {
            const std::size_t kept = raw_.size();
            raw_.resize(kept + chunk_);
            const std::size_t got = bytes_.ReadAt(offset_, raw_.data() + kept, chunk_);
            raw_.resize(kept + got);
            offset_ += got;
            ended_ = got == 0;
            // A chunk is decoded up to a byte that no character continues: below 0x80 in UTF-8,
            // below 0x30 in code page 936 (the least byte a two- or four-byte form goes on with).
            const unsigned char limit = code_page_936_ ? 0x30 : 0x80;
            std::size_t cut = raw_.size();
            if (!ended_) {
                while (cut > 0 && static_cast<unsigned char>(raw_[cut - 1]) >= limit) --cut;
            }
            Decode(std::string_view(raw_).substr(0, cut));
            raw_.erase(0, cut);
        }
        return text_.size() > before;
    }

    void Decode(std::string_view piece) {
        if (!code_page_936_) {
            text_.append(piece);
            return;
        }
        const std::string decoded = text::FromCp936(piece);
        if (const auto bad = decoded.find("\xEF\xBF\xBD"); bad != std::string::npos) {
            const auto breaks = std::count(decoded.begin(), decoded.begin() + static_cast<long>(bad), '\n');
            const std::size_t line = lines_ + static_cast<std::size_t>(breaks) + 1;
            throw ListFileError(ListFault::kNeitherEncoding,
                                "line " + std::to_string(line) + " is neither UTF-8 nor code page 936", line);
        }
        lines_ += static_cast<std::size_t>(std::count(decoded.begin(), decoded.end(), '\n'));
        text_.append(decoded);
    }

    ListBytes& bytes_;
    bool code_page_936_;
    std::uint64_t offset_;
    std::size_t chunk_;
    bool ended_ = false;
    std::string raw_;   // read, not yet decoded
    std::string text_;  // decoded
    std::size_t position_ = 0;
    std::size_t lines_ = 0;  // line breaks decoded so far
};

namespace {

// Splits CSV text into rows of cells. A cell that starts with a quote runs to the matching
// quote ("" inside stands for one) and may hold separators and line breaks.
template <typename Text>
class Splitter {
public:
    Splitter(Text& text, char separator) : text_(text), separator_(separator) {}
    void SetSeparator(char separator) { separator_ = separator; }

    bool AtEnd() { return text_.Peek() < 0; }

    // The next row; no more than `keep` cells are kept, the rest only looked at.
    void NextRow(ListRow& row, std::size_t keep) {
        row.line = line_;
        row.cells.clear();
        row.surplus = row.oversized = false;
        for (;;) {
            std::string& cell = row.cells.size() < keep ? row.cells.emplace_back() : (surplus_.clear(), surplus_);
            NextCell(cell, row);
            if (&cell == &surplus_ && !text::TrimBlanks(surplus_).empty()) row.surplus = true;
            const int c = text_.Peek();
            if (c < 0) break;
            if (c == separator_) {
                text_.Advance();
                continue;
            }
            EndLine();
            break;
        }
    }

private:
    void EndLine() {
        if (text_.Peek() == '\r') text_.Advance();
        if (text_.Peek() == '\n') text_.Advance();
        ++line_;
    }

    void Append(std::string& cell, int c, ListRow& row) {
        if (cell.size() < kLongestCell) cell += static_cast<char>(c);
        else row.oversized = true;
    }

    bool EndsCell(int c) const { return c < 0 || c == separator_ || c == '\n' || c == '\r'; }

    void NextCell(std::string& cell, ListRow& row) {
        int c = text_.Peek();
        if (c == '"') {
            QuotedCell(cell, row);
            c = text_.Peek();
        }
        // Text after the closing quote belongs to the cell, as spreadsheets read it.
        for (; !EndsCell(c); c = text_.Peek()) {
            Append(cell, c, row);
            text_.Advance();
        }
    }

    void QuotedCell(std::string& cell, ListRow& row) {
        const std::size_t opened = line_;
        text_.Advance();
        for (;;) {
            const int c = text_.Peek();
            if (c < 0)
                throw ListFileError(ListFault::kOpenQuote,
                                    "line " + std::to_string(opened) + ": a quote is opened and never closed", opened);
            text_.Advance();
            if (c == '"') {
                if (text_.Peek() != '"') return;
                text_.Advance();
            }
            if (c == '\n') ++line_;
            Append(cell, c, row);
        }
    }

    Text& text_;
    char separator_;
    std::size_t line_ = 1;
    std::string surplus_;
};

// A heading line held whole, for trying each separator on it.
struct HeadingText {
    std::string_view text;
    std::size_t position = 0;
    int Peek() const { return position < text.size() ? static_cast<unsigned char>(text[position]) : -1; }
    void Advance() { ++position; }
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
char ChooseSeparator(std::string_view start) {
    char best = ',';
    int best_count = -1;
    for (char candidate : {'\t', ';', ','}) {
        HeadingText text{start};
        Splitter<HeadingText> splitter(text, candidate);
        int count = 0;
        try {
            ListRow row;
            splitter.NextRow(row, kMostHeadings);
            for (const std::string& cell : row.cells) count += ColumnForHeading(cell) ? 1 : 0;
        } catch (const DataError&) {
            count = 0;
        }
        if (count > best_count) best = candidate, best_count = count;
    }
    return best;
}

bool BlankRow(const ListRow& row) {
    return !row.surplus && std::all_of(row.cells.begin(), row.cells.end(),
                                       [](const std::string& cell) { return text::TrimBlanks(cell).empty(); });
}

}  // namespace

std::string AcceptedHeadingsText() {
    std::string text;
    for (const Heading& entry : kHeadings)
        text += (text.empty() ? "" : "、") + std::string(entry.titles[0]) + " (" + std::string(entry.column) + ")";
    return text;
}

std::string ListFaultText(const ListFileError& error) {
    const std::string line = "第 " + std::to_string(error.Line()) + " 行";
    const std::string& detail = error.Detail();
    switch (error.Fault()) {
        case ListFault::kUnreadable: return "无法读取文件：" + detail;
        case ListFault::kUtf16: return "文件是 UTF-16 编码，请另存为 UTF-8 或 GBK 编码的 CSV 文件";
        case ListFault::kBrokenUtf8: return "文件以 UTF-8 标记开头，内容却不全是 UTF-8";
        case ListFault::kNotUtf8: return line + "不是 UTF-8 编码，请选择其他编码";
        case ListFault::kNeitherEncoding: return line + "既不是 UTF-8 也不是 GBK 编码";
        case ListFault::kMixedEncodings:
            return "文件混用了 UTF-8 和其他编码（第 " + detail + " 行不是 UTF-8），请把整个文件存为同一种编码";
        case ListFault::kOpenQuote: return line + "的引号没有结束";
        case ListFault::kEmpty: return "文件是空的";
        case ListFault::kTooManyHeadings: return line + "的标题多于登记簿的列";
        case ListFault::kUnknownHeading: {
            std::string accepted;
            for (const Heading& entry : kHeadings) accepted += (accepted.empty() ? "" : "、") + std::string(entry.titles[0]);
            return line + "的标题“" + detail + "”不是登记簿的列。可用的标题（也可写列名，如 web_id）：" + accepted;
        }
        case ListFault::kColumnTwice: return line + "的标题两次指向“" + std::string(ColumnTitle(detail)) + "”";
        case ListFault::kMissingColumn:
            return "第一行没有“" + std::string(ColumnTitle(detail)) + "”：网站编号和四个日期是必需的";
        case ListFault::kDamagedSpreadsheet:
            return "无法读取此 .xls 文件：它已损坏、受密码保护，或不是 Excel 97-2003 工作簿";
    }
    return error.what();
}

std::string ListTemplate() {
    static constexpr std::string_view kExample[] = {
        "100001", "示例网站", "www.example.com", "www.example.com/admin", "admin", "后台密码", "192.0.2.1", "1G",
        "example.com", "域名用户", "域名密码", "张三", "db_example", "100M", "192.0.2.2", "dbuser", "数据库密码",
        "MySQL", "2026-1-1", "2027-1-1", "2026年1月1日", "2027.1.1", "续费由客户负责"};
    static_assert(std::size(kExample) == std::size(kHeadings));
    std::string headings = "\xEF\xBB\xBF", example;
    for (std::size_t i = 0; i < std::size(kHeadings); ++i) {
        headings += (i ? "," : "") + std::string(kHeadings[i].titles[0]);
        example += (i ? "," : "") + std::string(kExample[i]);
    }
    return headings + "\r\n" + example + "\r\n";
}

std::string_view ColumnTitle(std::string_view column) {
    for (const Heading& entry : kHeadings)
        if (entry.column == column) return entry.titles[0];
    return column;
}

std::optional<std::string_view> ColumnForHeading(std::string_view heading) {
    const std::string key = HeadingKey(heading);
    for (const Heading& entry : kHeadings) {
        if (text::EqualIgnoringAsciiCase(key, entry.column)) return entry.column;
        for (std::string_view title : entry.titles)
            if (!title.empty() && key == title) return entry.column;
    }
    return std::nullopt;
}

struct ListReader::Rows {
    Text text;
    Splitter<Text> splitter;
    Rows(ListBytes& bytes, bool code_page_936, std::uint64_t start)
        : text(bytes, code_page_936, start), splitter(text, ',') {}
};

ListReader::~ListReader() = default;

ListReader::ListReader(ListBytes& bytes, ListEncoding encoding) {
    const EncodingScan scan = ScanEncoding(bytes);
    code_page_936_ = encoding == ListEncoding::kDetect ? !scan.utf8 : encoding == ListEncoding::kCodePage936;
    rows_at_most_ = scan.line_breaks + 1;
    const std::uint64_t start = scan.byte_order_mark ? 3 : 0;
    if (encoding == ListEncoding::kUtf8 && !scan.utf8) {
        const std::size_t line = scan.other_lines.empty() ? 1 : scan.other_lines[0];
        throw ListFileError(ListFault::kNotUtf8, "line " + std::to_string(line) + " is not UTF-8", line);
    }
    if (encoding == ListEncoding::kDetect && code_page_936_ && scan.utf8_line && !scan.other_lines.empty()) {
        // Bytes that are neither encoding are named first (decoding throws); then the mix.
        for (Text whole(bytes, true, start); whole.Peek() >= 0;) whole.SkipBuffered();
        std::string lines;
        for (std::size_t other : scan.other_lines) lines += (lines.empty() ? "" : ", ") + std::to_string(other);
        throw ListFileError(ListFault::kMixedEncodings,
                            "the file mixes UTF-8 with another encoding: line " + lines +
                                " is not UTF-8; save the whole file in one encoding",
                            0, lines);
    }
    rows_ = std::make_unique<Rows>(bytes, code_page_936_, start);
    separator_ = ChooseSeparator(rows_->text.Ahead(1 << 16));
    cell_of_.fill(-1);
    Splitter<Text>& splitter = rows_->splitter;
    splitter.SetSeparator(separator_);
    ListRow headings;
    do {
        if (splitter.AtEnd()) throw ListFileError(ListFault::kEmpty, "the file is empty");
        splitter.NextRow(headings, kMostHeadings);
    } while (BlankRow(headings));
    const std::string line = std::to_string(headings.line);
    if (headings.surplus)
        throw ListFileError(ListFault::kTooManyHeadings, "line " + line + ": more headings than the register has columns",
                            headings.line);
    for (std::size_t i = 0; i < headings.cells.size(); ++i) {
        const auto column = ColumnForHeading(headings.cells[i]);
        if (!column)
            throw ListFileError(ListFault::kUnknownHeading,
                                "line " + line + ": the heading \"" + headings.cells[i] +
                                    "\" names no column of the register; the headings a list may use: " +
                                    AcceptedHeadingsText(),
                                headings.line, headings.cells[i]);
        int& cell = cell_of_[RecordColumnIndex(*column)];
        if (cell >= 0)
            throw ListFileError(ListFault::kColumnTwice, "line " + line + ": the column " + std::string(*column) + " is named twice",
                                headings.line, std::string(*column));
        cell = static_cast<int>(i);
    }
    for (std::string_view required : kRequired)
        if (cell_of_[RecordColumnIndex(required)] < 0)
            throw ListFileError(ListFault::kMissingColumn, "the first line names no column for " + std::string(required), 0,
                                std::string(required));
    headings_ = std::move(headings.cells);
}

bool ListReader::Next(ListRow& row) {
    do {
        if (rows_->splitter.AtEnd()) return false;
        rows_->splitter.NextRow(row, headings_.size());
    } while (BlankRow(row));
    return true;
}

ListFile ReadListFile(std::string_view bytes) {
    ListBytesInMemory source(bytes);
    ListReader reader(source);
    ListFile list;
    list.separator = reader.Separator();
    list.code_page_936 = reader.CodePage936();
    list.cell_of = reader.CellOf();
    for (ListRow row; reader.Next(row);) list.rows.push_back(std::move(row));
    return list;
}

}  // namespace sitora::data
