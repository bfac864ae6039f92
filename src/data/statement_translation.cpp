#include "data/statement_translation.h"

#include <strings.h>

#include <array>
#include <cctype>
#include <vector>

#include "data/data_error.h"
#include "data/catalogue/columns.h"
#include "data/single_table_select.h"
#include "base/text/byte_strings.h"
#include "base/text/dates.h"

namespace sitora::data {
namespace {

constexpr std::array<std::string_view, 2> kLookUpColumns = {"web_address", "web_id"};
constexpr std::array<std::string_view, 4> kComparedDateColumns = {"web_time", "web_endtime", "web_domaintime",
                                                                   "web_enddomaintime"};

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

// Where a translation is going: SQLite keeps the named parameters; for the server they become
// $1, $2, ... with their types, and `markers` collects their names in order.
struct Target {
    bool server = false;
    std::vector<std::string>* markers = nullptr;
    bool in_condition = false;  // past a "where": "column=value" compares rather than assigns
};

// A parameter as the server takes it: numbered, cast to its column's type.
void WriteServerMarker(std::string_view name, const Target& target, std::string& out) {
    target.markers->emplace_back(name);
    out += '$';
    out += std::to_string(target.markers->size());
    switch (KindOf(name)) {
        case ValueKind::kDate: out += "::date"; break;
        case ValueKind::kProtected: out += "::bytea"; break;
        case ValueKind::kNumber: out += "::integer"; break;
        default: out += "::text";
    }
}

// One operand of a comparison: quoted text, a #date# literal or a :parameter, written in
// the target's form. `pos` moves past it; false when none stands there.
bool TakeOperand(std::string_view statement, std::size_t& pos, std::string& out, const Target& target) {
    if (pos >= statement.size()) return false;
    const char c = statement[pos];
    if (c == '"' && target.server) {
        // Text in double quotes, as the original engine reads it; for the server quotes of
        // that kind name columns, so it goes in single quotes.
        const std::size_t end = QuotedEnd(statement, pos);
        out += '\'';
        for (std::size_t at = pos + 1; at < end; ++at) {
            if (statement[at] == '"') ++at;  // a doubled quote stands for one
            if (statement[at] == '\'') out += '\'';
            out += statement[at];
        }
        out += '\'';
        pos = end + 1;
        return true;
    }
    if (c == '\'' || c == '"') {
        const std::size_t end = QuotedEnd(statement, pos);
        out.append(statement.substr(pos, end - pos + 1));
        pos = end + 1;
        return true;
    }
    if (c == '#') {
        const std::size_t end = statement.find('#', pos + 1);
        if (end == std::string_view::npos) throw DataError("unterminated date literal in statement");
        if (target.server) out += "date ";
        out += '\'';
        out += StoredDateOf(statement.substr(pos + 1, end - pos - 1));
        out += '\'';
        pos = end + 1;
        return true;
    }
    if (c == ':') {
        std::size_t end = pos + 1;
        while (end < statement.size() && IsWordByte(statement[end])) ++end;
        if (target.server)
            WriteServerMarker(statement.substr(pos + 1, end - pos - 1), target, out);
        else
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
void TranslateColumn(std::string_view statement, std::size_t& pos, std::string_view column, std::string& out,
                     const Target& target) {
    std::size_t at = pos;
    while (at < statement.size() && statement[at] == ' ') ++at;
    const std::string_view op = OperatorAt(statement, at);
    // The server takes "set web_address=..." for an assignment only as it stands.
    const bool look_up = op == "=" && OneOf(column, kLookUpColumns) && (!target.server || target.in_condition);
    const bool date_order = !op.empty() && op != "=" && OneOf(column, kComparedDateColumns);
    if (!look_up && !date_order) {
        out.append(column);
        return;
    }
    std::size_t operand_at = at + op.size();
    while (operand_at < statement.size() && statement[operand_at] == ' ') ++operand_at;
    if (target.server) {
        // The server's dates are dates; a look-up folds ASCII letters only (the "C" rules), as
        // SQLite's NOCASE does, and so uses the unique index on the same expression.
        std::string operand;
        std::size_t end = operand_at;
        if (!TakeOperand(statement, end, operand, target)) {
            out.append(column);
            return;
        }
        pos = end;
        if (look_up)
            out += "lower(" + std::string(column) + " collate \"C\")=lower(" + operand + " collate \"C\")";
        else
            out += std::string(column) + std::string(op) + operand;
        return;
    }
    std::string comparison(column);
    comparison.append(statement.substr(pos, operand_at - pos));
    if (!TakeOperand(statement, operand_at, comparison, target)) {
        out.append(column);
        return;
    }
    pos = operand_at;
    if (look_up) {
        out += comparison + " collate nocase";
    } else {
        // Only a real date in its stored form compares: a text of another shape, or one shaped
        // like a date that the calendar has not ("2024-02-30"), is never due. SQLite's date()
        // gives such a day back as the day it runs on to, so it differs from the text.
        out += "(" + comparison + " and date(";
        out.append(column);
        out += ",'+0 days')=";
        out.append(column);
        out += ")";
    }
}

// A query of one table that names no order returns its rows in table order, as the original
// engine does; SQLite would give them in the order of whatever index it reads.
struct TableOrder {
    std::string table;      // in lower case; empty when the statement wants no such order
    bool computes = false;  // its columns call functions (count(*), ...): the server refuses
                            // to order such rows by a column it does not group
};

TableOrder TableWantingItsOrder(std::string_view statement) {
    const auto select = ParseSingleTableSelect(statement);
    if (!select || select->ordered || statement.find(';') != std::string_view::npos) return {};
    std::string table = select->table;
    for (char& c : table) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return {std::move(table), select->computes};
}

std::string Translate(std::string_view statement, Target target) {
    std::string out;
    out.reserve(statement.size() + 64);
    for (std::size_t i = 0; i < statement.size();) {
        const char c = statement[i];
        if (c == '\'' || c == '"' || c == '#' ||
            (target.server && c == ':' && i + 1 < statement.size() && IsWordByte(statement[i + 1]))) {
            TakeOperand(statement, i, out, target);
        } else if (IsWordByte(c) && (i == 0 || !IsWordByte(statement[i - 1])) && statement[i - (i > 0)] != ':') {
            std::size_t end = i;
            while (end < statement.size() && IsWordByte(statement[end])) ++end;
            const std::string_view word = statement.substr(i, end - i);
            i = end;
            if (SameWord(word, "where")) target.in_condition = true;
            TranslateColumn(statement, i, word, out, target);
        } else {
            out += c;
            ++i;
        }
    }
    const TableOrder order = TableWantingItsOrder(statement);
    // On the server only the register's list table has an identity in table order; t_set
    // holds one row.
    if (!target.server && !order.table.empty()) out += " order by rowid";
    if (target.server && order.table == "t_webinfo" && !order.computes) out += " order by id";
    return out;
}

}  // namespace

std::string StoredDateOf(std::string_view text) {
    auto date = text::ParseDate(text::TrimBlanks(text));
    if (!date) throw DataError("not a date: " + std::string(text));
    return text::IsoDate(*date);
}

std::string TranslateStatement(std::string_view statement) { return Translate(statement, Target{}); }

ServerStatement TranslateForServer(std::string_view statement) {
    ServerStatement translated;
    translated.sql = Translate(statement, Target{true, &translated.markers});
    return translated;
}

}  // namespace sitora::data
