#pragma once
// The register key: 32 random bytes per register that seal its account values, stored only
// wrapped — sealed under a key that Argon2id derives from the data key. The derivation's
// parameters are stored with its salt, so a later version can raise them; a change of the data
// key wraps the same register key anew and no record needs rewriting.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protect/secret_bytes.h"

namespace sitora::protect {

struct DerivationCost {
    std::uint64_t passes;  // Argon2id's opslimit
    std::uint64_t memory;  // bytes
};

// Well under a second on a desktop of today (libsodium's "interactive" level: 2 passes, 64 MiB).
DerivationCost DefaultDerivationCost();

// A fresh register key.
SecretBytes NewRegisterKey();

// The stored form of the register key wrapped under `data_key` (code page 936 bytes).
std::string WrapRegisterKey(const SecretBytes& register_key, std::string_view data_key,
                            DerivationCost cost = DefaultDerivationCost());

// The size of one wrapped register key.
std::size_t WrappedKeyBytes();

// Whether `wrapped` has the stored form's size and mark (whatever key it opens under).
bool IsWrappedKeyForm(std::string_view wrapped);

// The register key, or nothing when `wrapped` does not open under `data_key` (another key, a
// damaged or foreign stored form, or a derivation cost beyond what this program allows).
std::optional<SecretBytes> UnwrapRegisterKey(std::string_view wrapped, std::string_view data_key);

}  // namespace sitora::protect
