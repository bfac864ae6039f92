#pragma once
// The few places where the register's statements and its engines (SQLite, a PostgreSQL
// server) speak differently.
#include <string>
#include <string_view>
#include <vector>

namespace sitora::data {

// The register's statement in SQLite's words, with the original engine's meaning:
// - each #date# literal outside quoted text becomes the stored date form ('2011-03-10');
// - a look-up of web_address or web_id by "=" ignores letter case;
// - an ordering comparison of a date column holds only for texts that are stored dates;
// - a query of one table without an order returns its rows in table order.
// Throws DataError for a literal that is no real date or for unclosed quoted text.
std::string TranslateStatement(std::string_view statement);

// The same statement in the server's words: its parameters numbered ($1, $2, ...) and typed by
// their columns, #date# literals as dates, look-ups folding ASCII case, table order by id.
struct ServerStatement {
    std::string sql;
    std::vector<std::string> markers;  // the parameters' names, in the order of their numbers
};
ServerStatement TranslateForServer(std::string_view statement);

// The value bound for a parameter of a date column: the stored form of the date the text
// names. Throws DataError when the text is no real date, as the database's own
// conversion would.
std::string StoredDateOf(std::string_view text);

}  // namespace sitora::data
