#pragma once
// Adding the records of a list file to the register, each row checked as the add window
// checks an entry, all in one transaction.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/import/list_file.h"

namespace sitora::data {

class TDataModule1;

struct ListImportOptions {
    bool dry_run = false;       // check every row, write nothing
    bool skip_refused = false;  // add the rows that pass even when others are refused
    ListEncoding encoding = ListEncoding::kDetect;
    // Called after every few hundred rows with the rows checked so far and the most there may be.
    std::function<void(std::size_t rows_done, std::size_t rows_at_most)> progress = {};
};

struct RefusedRow {
    std::size_t line;
    std::string reason;  // the add window's message, or what is wrong with a date or cell
};

// Refusals of one reason, with the lines that got it, in file order.
struct RefusalGroup {
    std::string reason;
    std::vector<std::size_t> lines;
};

// The refusals grouped by reason, groups in the order of their first line: 300 rows refused
// for one reason are one group.
std::vector<RefusalGroup> GroupRefusals(const std::vector<RefusedRow>& refused);

// "第 2–301 行", "第 2、5、9 行", at most `shown` runs, then "等": the lines of a group.
std::string LinesText(const std::vector<std::size_t>& lines, std::size_t shown = 5);

struct ListImportResult {
    std::size_t accepted = 0;  // rows that passed (and, unless nothing was written, went in)
    std::vector<RefusedRow> refused;
    bool written = false;
};

// Reads `bytes` as a list file, as a stream, and adds its rows to the connected register. Rows are checked
// in file order: number of at least 6 bytes, address and number present neither in the register
// nor in an earlier row (without regard to case), four valid dates within the lists' years, the
// date order. Nothing is written when a row is refused (unless `skip_refused`) or with
// `dry_run`. Throws DataError when the file cannot be read or the register cannot be written;
// then nothing is written.
ListImportResult ImportList(TDataModule1& module, ListBytes& bytes, std::string_view data_key,
                            const ListImportOptions& options);
ListImportResult ImportList(TDataModule1& module, std::string_view bytes, std::string_view data_key,
                            const ListImportOptions& options);

// A list as the import would take it, for a look before anything is written: every row with
// its cells and the refusal the import gives it (none: it would be added). A row's cells are
// kept one after another in one string, so that a long list takes little more memory than
// its text.
class PreviewRow {
public:
    explicit PreviewRow(const ListRow& row);
    std::size_t Line() const { return line_; }
    std::string_view Cell(std::size_t cell) const;

    std::optional<std::string> refusal;

private:
    std::size_t line_;
    std::string text_;
    std::vector<std::uint32_t> ends_;  // where each cell ends in text_
};
struct ListPreview {
    std::vector<std::string> headings;  // as the list writes them
    std::vector<std::string> columns;   // the column each heading names
    bool code_page_936 = false;
    std::vector<PreviewRow> rows;
    std::size_t accepted = 0;
};

// Reads the list and checks it as a dry run of ImportList. Throws DataError as ImportList does.
ListPreview PreviewList(TDataModule1& module, ListBytes& bytes, const ListImportOptions& options);

}  // namespace sitora::data
