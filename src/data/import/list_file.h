#pragma once
// Reading a list of records from outside: the program's own CSV (';', quoted) and text (tab)
// exports, and spreadsheet CSV (','), in UTF-8 (with or without a byte-order mark) or code
// page 936. The first line names the columns, by the titles the program shows or by column.
// A list is read as a stream: whatever its size, only a few megabytes of it are in memory.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/catalogue/columns.h"
#include "data/data_error.h"

namespace sitora::data {

struct ListRow {
    std::size_t line;                // where the row starts, counted from 1
    std::vector<std::string> cells;  // UTF-8, as they stand (quotes removed), no more than the headings
    bool surplus = false;            // a cell beyond the headings holds more than blanks
    bool oversized = false;          // a cell longer than a list cell may be (cut)
};

// Where a list's bytes come from. They are read twice: once for the encoding, once for the rows.
class ListBytes {
public:
    virtual ~ListBytes() = default;
    // Up to `size` bytes from `offset` on; 0 at the end. Throws DataError.
    virtual std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
    // How many bytes there are, as far as is known: a small list is read in small pieces.
    virtual std::uint64_t Size() const = 0;
};

class ListBytesInMemory : public ListBytes {
public:
    explicit ListBytesInMemory(std::string_view bytes) : bytes_(bytes) {}
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;
    std::uint64_t Size() const override { return bytes_.size(); }

private:
    std::string_view bytes_;
};

// A regular file (a FIFO or a device is refused, never waited on). Throws DataError.
class ListBytesInFile : public ListBytes {
public:
    explicit ListBytesInFile(const std::filesystem::path& path);
    ~ListBytesInFile() override;
    ListBytesInFile(const ListBytesInFile&) = delete;
    ListBytesInFile& operator=(const ListBytesInFile&) = delete;
    std::size_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;
    std::uint64_t Size() const override;

private:
    int fd_;
};

// Every heading a list may use, each column's first title with its column name:
// "网站编号 (web_id)、网站名称 (web_name)、...".
std::string AcceptedHeadingsText();

// A list to fill in: UTF-8 (with a byte order mark, so spreadsheet programs read it right), one
// line of every accepted heading and one example row.
std::string ListTemplate();

// The title lists show for a column ("网站编号" for web_id).
std::string_view ColumnTitle(std::string_view column);

// The column a heading names ("网站编号", "web_id", "网站空间到期时间：", ...), or nothing.
std::optional<std::string_view> ColumnForHeading(std::string_view heading);

// How a list's text is decoded: found from its bytes, or as the user says.
enum class ListEncoding { kDetect, kUtf8, kCodePage936 };

// What keeps a list from being read at all.
enum class ListFault {
    kUnreadable,         // detail: the reason
    kUtf16,
    kBrokenUtf8,         // a UTF-8 byte-order mark on bytes that are not UTF-8
    kNotUtf8,            // line: UTF-8 chosen for bytes that are not
    kNeitherEncoding,    // line
    kMixedEncodings,     // detail: the lines that are not UTF-8
    kOpenQuote,          // line: where the quote opens
    kEmpty,
    kTooManyHeadings,    // line
    kUnknownHeading,     // line; detail: the heading
    kColumnTwice,        // line; detail: the column
    kMissingColumn,      // detail: the column
    kDamagedSpreadsheet, // detail: what is wrong
};

// A list that cannot be read. what() is the English text sitora-cli prints; ListFaultText()
// the Chinese one the windows show.
class ListFileError : public DataError {
public:
    ListFileError(ListFault fault, const std::string& english, std::size_t line = 0, std::string detail = {})
        : DataError(english), fault_(fault), line_(line), detail_(std::move(detail)) {}
    ListFault Fault() const { return fault_; }
    std::size_t Line() const { return line_; }
    const std::string& Detail() const { return detail_; }

private:
    ListFault fault_;
    std::size_t line_;
    std::string detail_;
};

std::string ListFaultText(const ListFileError& error);

// The rows of a list, one at a time. Throws DataError, naming the line, for bytes that are
// neither UTF-8 nor code page 936 (or both at once), a quote left open, a heading that names no
// column or one twice, or a missing number or date column. Blank lines are left out.
class ListReader {
public:
    // Reads up to the headings. A chosen encoding is used even where the bytes suggest the other
    // (UTF-8 chosen for bytes that are no UTF-8 is refused, naming the line).
    explicit ListReader(ListBytes& bytes, ListEncoding encoding = ListEncoding::kDetect);
    ~ListReader();
    ListReader(const ListReader&) = delete;
    ListReader& operator=(const ListReader&) = delete;

    char Separator() const { return separator_; }
    bool CodePage936() const { return code_page_936_; }
    // The headings as the list writes them, in its order.
    const std::vector<std::string>& Headings() const { return headings_; }
    // For each of kRecordColumns, the cell that holds it, or -1.
    const std::array<int, kRecordColumns.size()>& CellOf() const { return cell_of_; }
    // No fewer than the rows that follow (line breaks counted), for what is set up for them.
    std::size_t RowsAtMost() const { return rows_at_most_; }
    // The next row; false after the last.
    bool Next(ListRow& row);

private:
    class Text;
    struct Rows;
    std::unique_ptr<Rows> rows_;
    char separator_ = ',';
    bool code_page_936_ = false;
    std::size_t rows_at_most_ = 0;
    std::vector<std::string> headings_;
    std::array<int, kRecordColumns.size()> cell_of_{};
};

// A whole list at once (for small lists and tests).
struct ListFile {
    char separator = ',';
    bool code_page_936 = false;  // else UTF-8
    std::array<int, kRecordColumns.size()> cell_of{};
    std::vector<ListRow> rows;
};
ListFile ReadListFile(std::string_view bytes);

}  // namespace sitora::data
