#pragma once
// The data key: the user's text bound into every record's domain user, kept as the last
// block of sk.exe, or in the user's keyring with a marker in sk.exe in its place.
#include <filesystem>
#include <optional>
#include <string>

namespace sitora::protect {

// The key's CP936 bytes, or nothing when sk.exe holds no readable block. Throws TransferError
// when the transfer file cannot be created, KeyringError when the key is in a keyring that cannot
// give it (missing, locked, another machine's).
std::optional<std::string> LoadDataKey(const std::filesystem::path& program_folder,
                                       const std::filesystem::path& private_folder);

// Whether sk.exe names a key kept in the keyring. Throws TransferError.
bool DataKeyInKeyring(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder);

// Stores a new data key where the current one is kept: appended to sk.exe, or, `in_keyring`, as a
// new keyring item whose marker then replaces sk.exe (the old item is forgotten after). True when
// stored. Throws TransferError, or KeyringError for a keyring that cannot take it.
bool StoreDataKey(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder,
                  std::string_view key, bool in_keyring);

// Moves the data key of sk.exe into the user's keyring, or back. sk.exe is then written anew,
// holding only the marker (or only the key): none of its earlier blocks, which held the key, is
// kept. The new sk.exe takes the old one's name only once it is whole on the disk; the keyring's
// item is made before and removed after, so a stop at any moment leaves a key that opens.
// Throws KeyringError, TransferError, or std::runtime_error when sk.exe cannot be written.
void MoveDataKeyToKeyring(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder);
void MoveDataKeyToFile(const std::filesystem::path& program_folder, const std::filesystem::path& private_folder);

}  // namespace sitora::protect
