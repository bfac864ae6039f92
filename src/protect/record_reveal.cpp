#include "protect/record_reveal.h"

#include "protect/protected_fields.h"
#include "protect/sealed_value.h"

namespace sitora::protect {
namespace {

constexpr const char* kAccountColumns[] = {"web_user",  "web_pass",  "web_domainuser", "web_domainpass",
                                           "web_dbname", "web_dbip", "web_dbuser",     "web_dbpass"};

}  // namespace

bool HasSealedAccounts(const ColumnReader& column) {
    for (const char* name : kAccountColumns)
        if (const auto stored = column(name); stored && IsSealed(*stored)) return true;
    return false;
}

std::optional<std::map<std::string, std::string>> RevealAccounts(const ColumnReader& column, std::string_view number,
                                                                 std::string_view data_key, std::string_view address,
                                                                 const SecretBytes* register_key) {
    std::map<std::string, std::string> revealed;
    for (const char* name : kAccountColumns) {
        const std::optional<std::string_view> stored = column(name);
        if (stored && IsSealed(*stored)) {
            if (!register_key) return std::nullopt;
            const auto opened = OpenValue(*register_key, name, address, *stored);
            if (!opened) return std::nullopt;
            revealed[name] = std::string(opened->view());
        } else if (std::string_view(name) == "web_domainuser") {
            const KeyTest test = DomainUserMatchesKey(stored, data_key);
            if (!test.passed) return std::nullopt;
            revealed[name] = RevealDomainUser(test.unscrambled, number, data_key.size());
        } else {
            revealed[name] = RevealValue(stored, number);
        }
    }
    return revealed;
}

}  // namespace sitora::protect
