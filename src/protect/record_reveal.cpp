#include "protect/record_reveal.h"

#include <sodium.h>

#include "protect/protected_fields.h"
#include "protect/sealed_value.h"

namespace sitora::protect {
namespace {

constexpr const char* kAccountColumns[] = {"web_user",  "web_pass",  "web_domainuser", "web_domainpass",
                                           "web_dbname", "web_dbip", "web_dbuser",     "web_dbpass"};

// The add window and the import seal all eight at once, the detail window a section's four: in
// either section, a sealed column beside one in another form is a downgrade.
void RefuseDowngrades(const ColumnReader& column) {
    for (std::size_t section = 0; section < 8; section += 4) {
        const char* sealed = nullptr;
        const char* other = nullptr;
        for (std::size_t i = section; i < section + 4; ++i) {
            const auto stored = column(kAccountColumns[i]);
            (stored && IsSealed(*stored) ? sealed : other) = kAccountColumns[i];
        }
        if (sealed && other) throw DowngradedAccount(other);
    }
}

}  // namespace

bool HasSealedAccounts(const ColumnReader& column) {
    for (const char* name : kAccountColumns)
        if (const auto stored = column(name); stored && IsSealed(*stored)) return true;
    return false;
}

std::optional<RevealedAccounts> RevealAccounts(const ColumnReader& column, std::string_view number,
                                                                 std::string_view data_key, std::string_view address,
                                                                 const SecretBytes* register_key) {
    RefuseDowngrades(column);
    RevealedAccounts revealed;
    const auto keep = [&revealed](const char* name, std::string value) {
        revealed.emplace(name, SecretBytes(value));
        Wipe(value);
    };
    for (const char* name : kAccountColumns) {
        const std::optional<std::string_view> stored = column(name);
        if (stored && IsSealed(*stored)) {
            if (!register_key) return std::nullopt;
            auto opened = OpenValue(*register_key, name, address, *stored);
            if (!opened) return std::nullopt;
            revealed.emplace(name, std::move(*opened));
        } else if (std::string_view(name) == "web_domainuser") {
            const KeyTest test = DomainUserMatchesKey(stored, data_key);
            if (!test.passed) return std::nullopt;
            keep(name, RevealDomainUser(test.unscrambled, number, data_key.size()));
        } else {
            keep(name, RevealValue(stored, number));
        }
    }
    return revealed;
}

std::string RevealedDigest(const RevealedAccounts& accounts, const SecretBytes& key) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, key.data(), key.size(), 16);
    for (const auto& [column, value] : accounts) {
        const std::uint64_t sizes[] = {column.size(), value.size()};
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(sizes), sizeof sizes);
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(column.data()), column.size());
        crypto_generichash_update(&state, value.data(), value.size());
    }
    std::string digest(16, '\0');
    crypto_generichash_final(&state, reinterpret_cast<unsigned char*>(digest.data()), digest.size());
    return digest;
}

}  // namespace sitora::protect
