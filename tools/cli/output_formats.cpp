#include "output_formats.h"

#include <algorithm>
#include <cstdio>

#include "options.h"

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

void WriteJsonObject(std::ostream& out, const std::vector<std::string>& names, const std::vector<std::string>& values) {
    out << "{";
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i ? ", " : "") << JsonString(names[i]) << ": " << JsonString(values.at(i));
    out << "}";
}

}  // namespace

OutputFormat ParseFormat(const std::string& name, const std::vector<std::string>& allowed) {
    if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) throw UsageError("unknown format " + name);
    if (name == "csv") return OutputFormat::kCsv;
    if (name == "json") return OutputFormat::kJson;
    return OutputFormat::kText;
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void WriteTable(std::ostream& out, const Table& table, OutputFormat format) {
    if (format == OutputFormat::kJson) {
        out << "[";
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            out << (r ? ",\n " : "\n ");
            WriteJsonObject(out, table.columns, table.rows[r]);
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
    line(table.columns);
    for (const auto& row : table.rows) line(row);
}

void WriteRecord(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& fields,
                 OutputFormat format) {
    if (format == OutputFormat::kJson) {
        std::vector<std::string> names, values;
        for (const auto& [name, value] : fields) {
            names.push_back(name);
            values.push_back(value);
        }
        WriteJsonObject(out, names, values);
        out << "\n";
        return;
    }
    for (const auto& [name, value] : fields) out << name << ": " << value << "\n";
}

}  // namespace sitora::cli
