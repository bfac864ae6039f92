#pragma once
// The data key: the user's text bound into every record's domain user, kept as the last
// block of sk.exe.
#include <filesystem>
#include <optional>
#include <string>

namespace sitora::protect {

// The key's CP936 bytes, or nothing when sk.exe holds no readable block.
// Throws TransferError when the transfer file cannot be created.
std::optional<std::string> LoadDataKey(const std::filesystem::path& program_folder,
                                       const std::filesystem::path& private_folder);

}  // namespace sitora::protect
