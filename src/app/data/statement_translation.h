#pragma once
// The few places where the register's statements and SQLite speak differently.
#include <string>
#include <string_view>

namespace sitora::data {

// Replaces each #date# literal outside quoted text by the stored date form
// ('2011-03-10'). Throws DataError for a literal that is no real date or is not closed.
std::string TranslateStatement(std::string_view statement);

// The value bound for a parameter of a date column: the stored form of the date the text
// names. Throws DataError when the text is no real date, as the database's own
// conversion would.
std::string DateParameter(std::string_view text);

}  // namespace sitora::data
