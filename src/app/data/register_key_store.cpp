#include "app/data/register_key_store.h"

#include "app/data/data_error.h"
#include "protect/register_key.h"
#include "app/data/engine/engine.h"

namespace sitora::data {

std::optional<protect::SecretBytes> OpenRegisterKey(TADOConnection& connection, std::string_view data_key, bool create) {
    Engine& engine = connection.Register();
    if (const auto wrapped = engine.ReadWrappedKey()) {
        if (!protect::IsWrappedKeyForm(*wrapped)) throw RegisterKeyMissing(/*damaged=*/true);
        return protect::UnwrapRegisterKey(*wrapped, data_key);
    }
    // A new key only for a register that has never sealed anything: one in place of a lost key
    // would make the accounts it sealed unreadable for good.
    if (engine.HoldsSealedValue()) throw RegisterKeyMissing(/*damaged=*/false);
    if (!create) return std::nullopt;
    protect::SecretBytes key = protect::NewRegisterKey();
    if (engine.StoreWrappedKey(protect::WrapRegisterKey(key, data_key), /*replace=*/false)) return key;
    const auto stored = engine.ReadWrappedKey();  // another process's, stored first
    if (!stored) throw DataError("the register key could not be stored");
    return protect::UnwrapRegisterKey(*stored, data_key);
}

bool ChangeDataKey(TADOConnection& connection, std::string_view old_key, std::string_view new_key,
                   const std::function<bool()>& store_new_key) {
    Engine& engine = connection.Register();
    connection.BeginTransaction(TransactionKind::kWriting);
    try {
        if (const auto wrapped = engine.ReadWrappedKey()) {
            if (const auto key = protect::UnwrapRegisterKey(*wrapped, old_key))
                engine.StoreWrappedKey(protect::WrapRegisterKey(*key, new_key), /*replace=*/true);
        }
        // The carrier is written while the new wrapping waits uncommitted: if it cannot be
        // written, the register keeps the old wrapping that the old key still opens.
        if (!store_new_key()) {
            connection.RollbackTransaction();
            return false;
        }
        connection.CommitTransaction();
        return true;
    } catch (...) {
        connection.RollbackTransaction();
        throw;
    }
}

}  // namespace sitora::data
