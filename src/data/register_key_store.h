#pragma once
// The register key of the register a connection holds, opened with the data key. The first
// account value sealed creates it; a change of the data key wraps it anew. The derivation from the
// data key is the slow step (by design): callers keep the opened key for the rest of the process.
#include <functional>
#include <optional>
#include <string_view>

#include "data/ado_connection.h"
#include "protect/register_key.h"

namespace sitora::data {

// The register key, or nothing when the register has one that `data_key` does not open. With
// `create`, a register without one and without any sealed value gets a new key wrapped under
// `data_key` (another process creating one at the same time wins, and its key is opened instead).
// Without `create`, a register without one gives nothing. Throws RegisterKeyMissing for a damaged
// key and for a missing one beside sealed values; DataError for the rest.
std::optional<protect::SecretBytes> OpenRegisterKey(TADOConnection& connection, std::string_view data_key, bool create);

enum class KeyChangeStep { kBothWrappingsStored, kCarrierWritten, kOldWrappingDropped };

// A change of the data key: the register key wrapped under `new_key` is stored beside the one under
// `old_key` (a register without one, or with one `old_key` does not open, keeps what it has), then
// `store_new_key` writes the carrier, then the old wrapping is dropped; a carrier that could not be
// written drops the new one instead. Stopped at any step, the register opens with the key the
// carrier holds. Returns what `store_new_key` returned. Throws DataError. `observer` hears each
// step done.
bool ChangeDataKey(TADOConnection& connection, std::string_view old_key, std::string_view new_key,
                   const std::function<bool()>& store_new_key,
                   const std::function<void(KeyChangeStep)>& observer = {});

}  // namespace sitora::data
