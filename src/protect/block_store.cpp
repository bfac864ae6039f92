#include "protect/block_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "base/files/failure_points.h"
#include "base/files/file_ops.h"
#include "base/text/clock.h"
#include "protect/nibble_cipher.h"

namespace sitora::protect {
namespace {

constexpr std::size_t kTrailerSize = 4;
constexpr std::size_t kTimeStampSize = 14;
// No value the program stores comes near this: a larger block is a damaged carrier.
constexpr std::uint32_t kLargestBlock = 1 << 20;
constexpr const char* kTransferLockFile = "transfer.lock";

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string Trailer(std::uint32_t value) {
    std::string bytes(kTrailerSize, '\0');
    for (std::size_t i = 0; i < kTrailerSize; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::uint32_t ReadTrailer(const char* bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < kTrailerSize; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return value;
}

bool ReadExactly(int fd, char* buffer, std::size_t size, off_t offset) {
    while (size > 0) {
        ssize_t got = pread(fd, buffer, size, offset);
        if (got <= 0) return false;
        buffer += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

// A key byte that keeps the scrambled line one whole line: LF, CR and 0x1A would end or
// break it when the line is read back.
unsigned char LineSafeKey() {
    for (;;) {
        unsigned char key = DrawKey();
        if (key != 10 && key != 13 && key != 26) return key;
    }
}

// Held for a whole store or load: the transfer files have fixed names, and the window, a
// second session and any number of sitora-cli runs share the private folder.
class TransferLock {
public:
    explicit TransferLock(const std::filesystem::path& folder)
        : fd_(open((folder / kTransferLockFile).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600)) {
        int rc = -1;
        if (fd_.ok()) {
            while ((rc = flock(fd_.get(), LOCK_EX)) != 0 && errno == EINTR) {
            }
        }
        if (rc != 0) throw TransferError("cannot lock the transfer files in " + folder.string());
    }

private:
    Fd fd_;
};

}  // namespace

bool AppendBlock(const std::filesystem::path& source, const std::filesystem::path& carrier) {
    auto block = files::ReadWholeFile(source, true);
    if (!block || block->size() > kLargestBlock - kTrailerSize) return false;

    // Only a regular file takes a block: a FIFO or device is neither waited on nor written.
    Fd fd(files::OpenRegularFile(carrier, O_WRONLY));
    if (!fd.ok()) return false;
    // No other writer while we append (another copy of the program, say).
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) return false;
    const off_t old_length = st.st_size;
    if (lseek(fd.get(), 0, SEEK_END) != old_length) return false;

    *block += Trailer(static_cast<std::uint32_t>(block->size() + kTrailerSize));
    if (files::WriteAll(fd.get(), *block) && files::SyncFile(fd.get())) return true;
    // Undo a partial append, so that the last complete value stays readable.
    if (files::TruncateFile(fd.get(), old_length)) files::SyncFile(fd.get());
    return false;
}

namespace {

// The carrier's last block; nothing when the carrier is missing or holds no block. A carrier
// that exists but cannot be read (not a regular file, a read error) throws.
std::optional<std::string> LastBlock(const std::filesystem::path& carrier) {
    Fd fd(files::OpenRegularFile(carrier, O_RDONLY));
    if (!fd.ok()) {
        if (errno == ENOENT) return std::nullopt;
        throw TransferError("cannot read " + carrier.string() + " (not a readable regular file)");
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) throw TransferError("cannot read " + carrier.string());
    const auto length = static_cast<std::uint64_t>(st.st_size);
    if (length < kTrailerSize) return std::nullopt;
    char trailer[kTrailerSize];
    if (!ReadExactly(fd.get(), trailer, kTrailerSize, static_cast<off_t>(length - kTrailerSize)))
        throw TransferError("cannot read " + carrier.string());
    const std::uint32_t total = ReadTrailer(trailer);
    // A block holds at least one byte; a trailer pointing before the carrier's start, or
    // claiming more than any stored value needs, lies.
    if (total <= kTrailerSize || total > length || total > kLargestBlock) return std::nullopt;
    std::string block(total - kTrailerSize, '\0');
    if (!ReadExactly(fd.get(), block.data(), block.size(), static_cast<off_t>(length - total)))
        throw TransferError("cannot read " + carrier.string());
    return block;
}

}  // namespace

bool ReadLastBlock(const std::filesystem::path& carrier, const std::filesystem::path& destination) {
    auto block = LastBlock(carrier);
    if (!block) return false;
    if (!files::CreatePrivateFile(destination, *block))
        throw TransferError("cannot write the transfer file " + destination.string());
    return true;
}

std::string FirstTextLine(std::string_view text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\x1A' || c == '\n') break;
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') break;
            continue;
        }
        line += c;
    }
    return line;
}

bool StoreValue(std::string_view value, const std::filesystem::path& carrier,
                const std::filesystem::path& transfer) {
    std::string record = text::TimeStamp14(text::Now());
    record += value;
    const std::string line = ScrambleWithKey(record, LineSafeKey()) + "\r\n";
    TransferLock lock(transfer.parent_path());
    if (!files::CreatePrivateFile(transfer, line))
        throw TransferError("cannot write the transfer file " + transfer.string());
    files::CrashPoint("store", 1);
    if (!AppendBlock(transfer, carrier)) return false;
    files::CrashPoint("store", 2);
    files::RemoveFile(transfer);
    files::CrashPoint("store", 3);
    return true;
}

std::optional<std::string> LoadValue(const std::filesystem::path& carrier, const std::filesystem::path& transfer) {
    TransferLock lock(transfer.parent_path());
    if (!files::CreatePrivateFile(transfer, {}))
        throw TransferError("cannot create the transfer file " + transfer.string());
    // No block is a value of its own (the first start: nothing stored yet); a carrier or
    // transfer file that cannot be read is an error, never an empty value.
    auto block = LastBlock(carrier);
    if (!block) return std::nullopt;
    if (!files::CreatePrivateFile(transfer, *block))
        throw TransferError("cannot write the transfer file " + transfer.string());
    auto content = files::ReadWholeFile(transfer, true);
    if (content != block)
        throw TransferError("cannot read the transfer file " + transfer.string());
    const std::string record = Unscramble(FirstTextLine(*content));
    files::RemoveFile(transfer);
    if (record.size() <= kTimeStampSize) return std::string();
    return record.substr(kTimeStampSize);
}

}  // namespace sitora::protect

namespace sitora::protect {

void RemoveStaleTransferFiles(const std::filesystem::path& private_folder) {
    if (private_folder.empty()) return;
    TransferLock lock(private_folder);
    for (const char* name : {kPasswordStoreTransfer, kPasswordLoadTransfer, kKeyStoreTransfer, kKeyLoadTransfer})
        files::RemoveFile(private_folder / name);
}

}  // namespace sitora::protect
