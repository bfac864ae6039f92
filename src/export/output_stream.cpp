#include "export/output_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include "app/files/file_ops.h"

namespace sitora::gridexport {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

FileOutput::FileOutput(const std::filesystem::path& path) {
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) throw ExportError("cannot create " + path.string());
    buffer_.reserve(kBufferSize);
}

FileOutput::~FileOutput() {
    if (fd_ >= 0) {
        // The bytes written so far stay, even after an error.
        files::WriteAll(fd_, buffer_);
        close(fd_);
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
    if (close(fd) != 0) throw ExportError("the file could not be closed");
}

}  // namespace sitora::gridexport
