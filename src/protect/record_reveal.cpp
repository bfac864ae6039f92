#include "protect/record_reveal.h"

#include "protect/protected_fields.h"

namespace sitora::protect {

std::optional<std::map<std::string, std::string>> RevealAccounts(const ColumnReader& column, std::string_view number,
                                                                 std::string_view data_key) {
    const KeyTest test = DomainUserMatchesKey(column("web_domainuser"), data_key);
    if (!test.passed) return std::nullopt;
    std::map<std::string, std::string> revealed;
    revealed["web_domainuser"] = RevealDomainUser(test.unscrambled, number, data_key.size());
    for (const char* name : {"web_user", "web_pass", "web_domainpass", "web_dbname", "web_dbip", "web_dbuser", "web_dbpass"})
        revealed[name] = RevealValue(column(name), number);
    return revealed;
}

}  // namespace sitora::protect
