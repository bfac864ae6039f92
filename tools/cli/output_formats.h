#pragma once
// Writing tables as text, CSV or JSON for the report commands.
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sitora::cli {

enum class OutputFormat { kText, kCsv, kJson };

// "text", "csv" or "json" (only those in `allowed`); throws UsageError otherwise.
OutputFormat ParseFormat(const std::string& name, const std::vector<std::string>& allowed);

// A table: column names and rows of UTF-8 cells; in JSON the cells of the `numbers` columns
// that hold an integer are written as numbers.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    std::set<std::string> numbers = {};
};

// text: tab-separated with a header line of headings in the user's language; csv: RFC 4180
// with the column names; json: an array of objects keyed by column name.
void WriteTable(std::ostream& out, const Table& table, OutputFormat format);

// One record as "heading: value" lines, or a JSON object keyed by column name.
void WriteRecord(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& fields,
                 OutputFormat format, const std::set<std::string>& numbers = {});


}  // namespace sitora::cli
