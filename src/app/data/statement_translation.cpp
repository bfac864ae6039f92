#include "app/data/statement_translation.h"

#include <strings.h>

#include <array>
#include <cctype>

#include "app/data/data_error.h"
#include "app/text/byte_strings.h"
#include "app/text/dates.h"

namespace sitora::data {
namespace {

constexpr std::array<std::string_view, 2> kLookUpColumns = {"web_address", "web_id"};
constexpr std::array<std::string_view, 4> kComparedDateColumns = {"web_time", "web_endtime", "web_domaintime",
                                                                   "web_enddomaintime"};
// What a stored date looks like: a text of any other shape is no date and is never due.
constexpr std::string_view kStoredDateShape = "'[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]'";

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

template <std::size_t N>
bool OneOf(std::string_view word, const std::array<std::string_view, N>& words) {
    for (std::string_view candidate : words)
        if (SameWord(word, candidate)) return true;
    return false;
}

bool IsWordByte(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The end of the quoted text that starts at `start`; a doubled quote stays inside it.
std::size_t QuotedEnd(std::string_view statement, std::size_t start) {
    const char quote = statement[start];
    for (std::size_t end = start + 1; end < statement.size(); ++end) {
        if (statement[end] != quote) continue;
        if (end + 1 < statement.size() && statement[end + 1] == quote) {
            ++end;
            continue;
        }
        return end;
    }
    throw DataError("unterminated quoted text in statement");
}

// One operand of a comparison: quoted text, a #date# literal or a :parameter, written in
// SQLite's form. `pos` moves past it; false when none stands there.
bool TakeOperand(std::string_view statement, std::size_t& pos, std::string& out) {
    if (pos >= statement.size()) return false;
    const char c = statement[pos];
    if (c == '\'' || c == '"') {
        const std::size_t end = QuotedEnd(statement, pos);
        out.append(statement.substr(pos, end - pos + 1));
        pos = end + 1;
        return true;
    }
    if (c == '#') {
        const std::size_t end = statement.find('#', pos + 1);
        if (end == std::string_view::npos) throw DataError("unterminated date literal in statement");
        out += '\'';
        out += DateParameter(statement.substr(pos + 1, end - pos - 1));
        out += '\'';
        pos = end + 1;
        return true;
    }
    if (c == ':') {
        std::size_t end = pos + 1;
        while (end < statement.size() && IsWordByte(statement[end])) ++end;
        out.append(statement.substr(pos, end - pos));
        pos = end;
        return true;
    }
    return false;
}

// A comparison operator at `pos` ("=", "<", "<=", ">", ">="), or empty.
std::string_view OperatorAt(std::string_view statement, std::size_t pos) {
    if (pos >= statement.size()) return {};
    if (statement[pos] == '=') return statement.substr(pos, 1);
    if (statement[pos] != '<' && statement[pos] != '>') return {};
    if (pos + 1 < statement.size() && statement[pos + 1] == '=') return statement.substr(pos, 2);
    if (pos + 1 < statement.size() && statement[pos + 1] == '>') return {};  // "<>"
    return statement.substr(pos, 1);
}

// Writes a column and what follows it. A look-up of an address or number ignores case, as the
// original engine's text comparison does; an ordering comparison of a date column holds only
// for texts that are dates.
void TranslateColumn(std::string_view statement, std::size_t& pos, std::string_view column, std::string& out) {
    std::size_t at = pos;
    while (at < statement.size() && statement[at] == ' ') ++at;
    const std::string_view op = OperatorAt(statement, at);
    const bool look_up = op == "=" && OneOf(column, kLookUpColumns);
    const bool date_order = !op.empty() && op != "=" && OneOf(column, kComparedDateColumns);
    if (!look_up && !date_order) {
        out.append(column);
        return;
    }
    std::size_t operand_at = at + op.size();
    while (operand_at < statement.size() && statement[operand_at] == ' ') ++operand_at;
    std::string comparison(column);
    comparison.append(statement.substr(pos, operand_at - pos));
    if (!TakeOperand(statement, operand_at, comparison)) {
        out.append(column);
        return;
    }
    pos = operand_at;
    if (look_up) {
        out += comparison + " collate nocase";
    } else {
        out += "(" + comparison + " and ";
        out.append(column);
        out += " glob ";
        out.append(kStoredDateShape);
        out += ")";
    }
}

// A query of one table that names no order returns its rows in table order, as the original
// engine does; SQLite would give them in the order of whatever index it reads.
bool WantsTableOrder(std::string_view statement) {
    std::size_t start = 0;
    while (start < statement.size() && std::isspace(static_cast<unsigned char>(statement[start]))) ++start;
    if (statement.size() - start < 6 || !SameWord(statement.substr(start, 6), "select")) return false;
    std::string lower(statement);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("order by") != std::string::npos || lower.find(';') != std::string::npos) return false;
    const std::size_t from = lower.find(" from ");
    if (from == std::string::npos) return false;
    std::size_t table_end = from + 6;
    while (table_end < lower.size() && lower[table_end] == ' ') ++table_end;
    while (table_end < lower.size() && IsWordByte(lower[table_end])) ++table_end;
    while (table_end < lower.size() && lower[table_end] == ' ') ++table_end;
    return table_end == lower.size() || lower.compare(table_end, 6, "where ") == 0;
}

}  // namespace

std::string DateParameter(std::string_view text) {
    auto date = text::ParseDate(text::TrimBlanks(text));
    if (!date) throw DataError("not a date: " + std::string(text));
    return text::IsoDate(*date);
}

std::string TranslateStatement(std::string_view statement) {
    std::string out;
    out.reserve(statement.size() + 64);
    for (std::size_t i = 0; i < statement.size();) {
        const char c = statement[i];
        if (c == '\'' || c == '"' || c == '#') {
            TakeOperand(statement, i, out);
        } else if (IsWordByte(c) && (i == 0 || !IsWordByte(statement[i - 1])) && statement[i - (i > 0)] != ':') {
            std::size_t end = i;
            while (end < statement.size() && IsWordByte(statement[end])) ++end;
            const std::string_view word = statement.substr(i, end - i);
            i = end;
            TranslateColumn(statement, i, word, out);
        } else {
            out += c;
            ++i;
        }
    }
    if (WantsTableOrder(statement)) out += " order by rowid";
    return out;
}

}  // namespace sitora::data
