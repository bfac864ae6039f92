#include "app/data/statement_translation.h"

#include "app/data/data_error.h"
#include "app/text/byte_strings.h"
#include "app/text/dates.h"

namespace sitora::data {

std::string DateParameter(std::string_view text) {
    auto date = text::ParseDate(text::TrimBlanks(text));
    if (!date) throw DataError("not a date: " + std::string(text));
    return text::IsoDate(*date);
}

std::string TranslateStatement(std::string_view statement) {
    std::string out;
    out.reserve(statement.size() + 8);
    for (std::size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (c == '\'' || c == '"') {
            // Copy quoted text unchanged; a doubled quote stays inside it.
            std::size_t end = i + 1;
            while (end < statement.size()) {
                if (statement[end] == c) {
                    if (end + 1 < statement.size() && statement[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            if (end >= statement.size()) throw DataError("unterminated quoted text in statement");
            out.append(statement.substr(i, end - i + 1));
            i = end;
        } else if (c == '#') {
            std::size_t end = statement.find('#', i + 1);
            if (end == std::string_view::npos) throw DataError("unterminated date literal in statement");
            out += '\'';
            out += DateParameter(statement.substr(i + 1, end - i - 1));
            out += '\'';
            i = end;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace sitora::data
