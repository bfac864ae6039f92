#include "data/register_key_store.h"

#include <string>
#include <vector>

#include "data/data_error.h"
#include "protect/register_key.h"
#include "data/engine/engine.h"

namespace sitora::data {

namespace {

// During a change of the data key the stored form holds two wrappings of the one register key:
// the current one, then the one under the new data key.
std::vector<std::string_view> Wrappings(std::string_view stored) {
    const std::size_t one = protect::WrappedKeyBytes();
    if (stored.size() == 2 * one) return {stored.substr(0, one), stored.substr(one)};
    return {stored};
}

}  // namespace

std::optional<protect::SecretBytes> OpenRegisterKey(TADOConnection& connection, std::string_view data_key, bool create) {
    Engine& engine = connection.Register();
    if (const auto stored = engine.ReadWrappedKey()) {
        const auto wrappings = Wrappings(*stored);
        for (std::string_view wrapped : wrappings)
            if (!protect::IsWrappedKeyForm(wrapped)) throw RegisterKeyMissing(/*damaged=*/true);
        if (auto key = protect::UnwrapRegisterKey(wrappings.front(), data_key)) return key;
        if (wrappings.size() == 1) return std::nullopt;
        // A change whose new data key reached the carrier before it was finished: finish it.
        auto key = protect::UnwrapRegisterKey(wrappings.back(), data_key);
        if (key) engine.StoreWrappedKey(std::string(wrappings.back()), /*replace=*/true);
        return key;
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
                   const std::function<bool()>& store_new_key, const std::function<void(KeyChangeStep)>& observer) {
    Engine& engine = connection.Register();
    const auto tell = [&observer](KeyChangeStep step) {
        if (observer) observer(step);
    };
    // The new wrapping is stored beside the old one before the carrier gets the new data key, and
    // the old one dropped after: a stop at any moment leaves a register that the carrier's key opens.
    std::string current;
    {
        ScopedTransaction transaction(connection);
        const auto stored = engine.ReadWrappedKey();
        const auto key = stored ? protect::UnwrapRegisterKey(Wrappings(*stored).front(), old_key) : std::nullopt;
        if (key) {
            current = std::string(Wrappings(*stored).front());
            engine.StoreWrappedKey(current + protect::WrapRegisterKey(*key, new_key), /*replace=*/true);
        }
        transaction.Commit();
    }
    tell(KeyChangeStep::kBothWrappingsStored);
    // A register without a key, or with one the old data key does not open, keeps what it has.
    if (!store_new_key()) {
        if (!current.empty()) engine.StoreWrappedKey(current, /*replace=*/true);
        return false;
    }
    tell(KeyChangeStep::kCarrierWritten);
    if (!current.empty()) {
        const auto stored = engine.ReadWrappedKey();
        if (stored && Wrappings(*stored).size() == 2)
            engine.StoreWrappedKey(std::string(Wrappings(*stored).back()), /*replace=*/true);
    }
    tell(KeyChangeStep::kOldWrappingDropped);
    return true;
}

}  // namespace sitora::data
