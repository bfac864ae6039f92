#pragma once
// The register key of the register a connection holds, opened with the data key. The first
// account value sealed creates it; a change of the data key wraps it anew. The derivation from the
// data key is the slow step (by design): callers keep the opened key for the rest of the process.
#include <optional>
#include <string_view>

#include "app/data/ado_connection.h"
#include "protect/register_key.h"

namespace sitora::data {

// The register key, or nothing when the register has one that `data_key` does not open. With
// `create`, a register without one gets a new key wrapped under `data_key` (another process
// creating one at the same time wins, and its key is opened instead). Without `create`, a register
// without one gives nothing. Throws DataError.
std::optional<protect::SecretBytes> OpenRegisterKey(TADOConnection& connection, std::string_view data_key, bool create);

// Wraps the register key under `new_key`, in one writing transaction; false (nothing changed)
// when `old_key` does not open it. A register without a key is left without one. Throws DataError.
bool RewrapRegisterKey(TADOConnection& connection, std::string_view old_key, std::string_view new_key);

}  // namespace sitora::data
