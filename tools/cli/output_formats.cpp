#include "output_formats.h"

#include <algorithm>
#include <cstdio>

#include "base/text/json_string.h"
#include "options.h"
#include "translation.h"

namespace sitora::cli {
namespace {

std::string CsvCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string quoted = "\"";
    for (char c : cell) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

// Tabs and line breaks inside a cell would break the line-per-row text form.
std::string TextCell(std::string cell) {
    std::replace_if(cell.begin(), cell.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return cell;
}

bool IsInteger(const std::string& cell) {
    const std::size_t digits = cell.starts_with('-') ? 1 : 0;
    return cell.size() > digits && cell.size() <= 18 && cell.find_first_not_of("0123456789", digits) == std::string::npos;
}

void WriteJsonObject(std::ostream& out, const std::vector<std::string>& names, const std::vector<std::string>& values,
                     const std::set<std::string>& numbers) {
    out << "{";
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& value = values.at(i);
        const bool number = numbers.count(names[i]) && IsInteger(value);
        out << (i ? ", " : "") << text::JsonString(names[i]) << ": " << (number ? value : text::JsonString(value));
    }
    out << "}";
}

std::vector<std::string> Headings(const std::vector<std::string>& columns) {
    std::vector<std::string> headings;
    for (const std::string& column : columns) headings.push_back(Tr(column.c_str()));
    return headings;
}

}  // namespace

OutputFormat ParseFormat(const std::string& name, const std::vector<std::string>& allowed) {
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) throw UsageError(Fill(Tr("unknown format %s"), {name}));
    if (name == "csv") return OutputFormat::kCsv;
    if (name == "json") return OutputFormat::kJson;
    return OutputFormat::kText;
}


void WriteTable(std::ostream& out, const Table& table, OutputFormat format) {
    if (format == OutputFormat::kJson) {
        out << "[";
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            out << (r ? ",\n " : "\n ");
            WriteJsonObject(out, table.columns, table.rows[r], table.numbers);
        }
        out << (table.rows.empty() ? "]\n" : "\n]\n");
        return;
    }
    auto line = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i) out << (format == OutputFormat::kCsv ? "," : "\t");
            out << (format == OutputFormat::kCsv ? CsvCell(cells[i]) : TextCell(cells[i]));
        }
        out << (format == OutputFormat::kCsv ? "\r\n" : "\n");
    };
    line(format == OutputFormat::kText ? Headings(table.columns) : table.columns);
    for (const auto& row : table.rows) line(row);
}

void WriteRecord(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& fields,
                 OutputFormat format, const std::set<std::string>& numbers) {
    if (format == OutputFormat::kJson) {
        std::vector<std::string> names, values;
        for (const auto& [name, value] : fields) {
            names.push_back(name);
            values.push_back(value);
        }
        WriteJsonObject(out, names, values, numbers);
        out << "\n";
        return;
    }
    for (const auto& [name, value] : fields) out << Tr(name.c_str()) << ": " << value << "\n";
}

}  // namespace sitora::cli
