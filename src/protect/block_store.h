#pragma once
// The appended-block store: a carrier file never rewritten, only grown by one block
// (content + 4-byte little-endian trailer counting both) per stored value; reading takes
// the last block. Values pass through a one-line transfer file in the private folder.
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sitora::protect {

// A transfer file that cannot be written or read back, or a carrier that exists but cannot be
// read (not a regular file, a read error): the caller's error handler reports it.
class TransferError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends the whole source file and its trailer to the existing carrier. On any failure
// the carrier is cut back to its old length and false is returned; true means the bytes
// are on the disk.
bool AppendBlock(const std::filesystem::path& source, const std::filesystem::path& carrier);

// Writes the carrier's last block into `destination` (created anew, never through a link).
// False, with `destination` untouched, when the carrier is missing or holds no block: shorter
// than 4 bytes, or a trailer below 5, larger than the carrier or above 1 MiB. Throws
// TransferError when the carrier cannot be read or the destination cannot be written.
bool ReadLastBlock(const std::filesystem::path& carrier, const std::filesystem::path& destination);

// The first line of a text as the program's text reader gives it: it ends at LF or CR LF,
// 0x1A ends the text, and a lone CR is dropped.
std::string FirstTextLine(std::string_view text);

// Time stamp + value, scrambled, one line in `transfer`, appended to `carrier`.
// True when the block was appended (the transfer file is then deleted); false leaves the
// transfer file. Throws TransferError when the transfer file cannot be written.
bool StoreValue(std::string_view value, const std::filesystem::path& carrier,
                const std::filesystem::path& transfer);

// The value of the carrier's last block, or nothing when the carrier holds no block.
// Throws TransferError when the carrier or the transfer file cannot be read or written.
// Stores and loads of all processes on one private folder take turns (a lock in it).
std::optional<std::string> LoadValue(const std::filesystem::path& carrier, const std::filesystem::path& transfer);

// Removes transfer files that a store or load cut short by a crash left in the private
// folder (they hold a scrambled secret). Called at start-up, before any store or load.
void RemoveStaleTransferFiles(const std::filesystem::path& private_folder);

// The names of the four transfer files, kept from the program's first platform.
inline constexpr const char* kPasswordStoreTransfer = "pass2.txt";
inline constexpr const char* kPasswordLoadTransfer = "passtemp.txt";
inline constexpr const char* kKeyStoreTransfer = "sks.txt";
inline constexpr const char* kKeyLoadTransfer = "sktemp.txt";

}  // namespace sitora::protect
