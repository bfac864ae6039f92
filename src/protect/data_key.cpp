#include "protect/data_key.h"

#include <stdexcept>

#include "base/files/file_ops.h"
#include "protect/block_store.h"
#include "protect/keyring.h"
#include "protect/secret_bytes.h"

namespace sitora::protect {
namespace {

std::filesystem::path Carrier(const std::filesystem::path& program_folder) { return program_folder / "sk.exe"; }

std::optional<std::string> Carried(const std::filesystem::path& program_folder,
                                   const std::filesystem::path& private_folder) {
    return LoadValue(Carrier(program_folder), private_folder / kKeyLoadTransfer);
}

// A carrier holding `value` alone takes sk.exe's place once it is whole on the disk.
void ReplaceCarrier(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder,
                    std::string_view value) {
    const std::filesystem::path carrier = Carrier(program_folder);
    const std::filesystem::path scratch = files::ScratchPathFor(carrier);
    const bool written = files::CreatePrivateFile(scratch, "") &&
                         StoreValue(value, scratch, private_folder / kKeyStoreTransfer) &&
                         files::RenameFile(scratch, carrier) && files::SyncFolder(program_folder);
    if (!written) {
        files::RemoveFile(scratch);
        throw std::runtime_error("cannot write " + carrier.string());
    }
}

}  // namespace

std::optional<std::string> LoadDataKey(const std::filesystem::path& program_folder,
                                       const std::filesystem::path& private_folder) {
    auto carried = Carried(program_folder, private_folder);
    if (carried && IsKeyringMarker(*carried)) return LoadKeyFromKeyring(*carried);
    return carried;
}

bool DataKeyInKeyring(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder) {
    const auto carried = Carried(program_folder, private_folder);
    return carried && IsKeyringMarker(*carried);
}

bool StoreDataKey(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder,
                  std::string_view key, bool in_keyring) {
    if (!in_keyring) return StoreValue(key, Carrier(program_folder), private_folder / kKeyStoreTransfer);
    const auto carried = Carried(program_folder, private_folder);
    if (!carried || !IsKeyringMarker(*carried)) throw KeyringError(KeyringFault::kMissing, "sk.exe names no keyring item");
    const std::string marker = StoreKeyInKeyring(key);
    try {
        ReplaceCarrier(program_folder, private_folder, marker);
    } catch (const std::exception&) {
        RemoveKeyFromKeyring(marker);
        return false;
    }
    RemoveKeyFromKeyring(*carried);
    return true;
}

void MoveDataKeyToKeyring(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder) {
    auto key = Carried(program_folder, private_folder).value_or("");
    if (IsKeyringMarker(key)) return;  // there already
    const std::string marker = StoreKeyInKeyring(key);
    Wipe(key);
    ReplaceCarrier(program_folder, private_folder, marker);
}

void MoveDataKeyToFile(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder) {
    const auto marker = Carried(program_folder, private_folder);
    if (!marker || !IsKeyringMarker(*marker)) return;  // in the file already
    std::string key = LoadKeyFromKeyring(*marker);
    ReplaceCarrier(program_folder, private_folder, key);
    Wipe(key);
    RemoveKeyFromKeyring(*marker);
}

}  // namespace sitora::protect
