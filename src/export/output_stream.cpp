#include "export/output_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/files/file_ops.h"

namespace sitora::gridexport {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

FileOutput::FileOutput(const std::filesystem::path& path) {
    std::error_code ec;
    // A link is followed, so that the file it names is replaced rather than the link.
    target_ = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    if (ec) throw ExportError("cannot resolve " + path.string());
    struct stat existing {};
    mode_t mode = 0600;
    if (stat(target_.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) throw ExportError(path.string() + " is not a regular file");
        mode = existing.st_mode & 07777;
    } else if (errno != ENOENT) {
        throw ExportError("cannot create " + path.string());
    }
    std::string pattern = (target_.parent_path() / ("." + target_.filename().string() + ".XXXXXX")).string();
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) throw ExportError("cannot create " + path.string());
    temporary_ = pattern;
    fchmod(fd_, mode);
    buffer_.reserve(kBufferSize);
}

FileOutput::~FileOutput() {
    if (fd_ >= 0) {
        close(fd_);
        unlink(temporary_.c_str());
    }
}

void FileOutput::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferSize) Flush();
    if (bytes.size() >= kBufferSize) {
        if (!files::WriteAll(fd_, bytes)) throw ExportError("the file did not take all bytes");
        return;
    }
    buffer_.append(bytes);
}

void FileOutput::Flush() {
    if (buffer_.empty()) return;
    if (!files::WriteAll(fd_, buffer_)) {
        buffer_.clear();
        throw ExportError("the file did not take all bytes");
    }
    buffer_.clear();
}

void FileOutput::Close() {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        unlink(temporary_.c_str());
        throw ExportError("the file could not be written");
    }
    // Not flushed to the disk first: an export can be made again, and a flush of every
    // export would double its time. A process that dies leaves the old file or the new one.
    if (!files::RenameFile(temporary_, target_)) {
        unlink(temporary_.c_str());
        throw ExportError("the file could not be put in place");
    }
}

}  // namespace sitora::gridexport
