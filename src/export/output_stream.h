#pragma once
// Where an export writes its bytes. Every failure to write is an ExportError.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sitora::gridexport {

class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class MemoryOutput : public OutputStream {
public:
    void Write(std::string_view bytes) override { data_.append(bytes); }
    const std::string& data() const { return data_; }

private:
    std::string data_;
};

// Takes every byte and keeps none.
class NullOutput : public OutputStream {
public:
    void Write(std::string_view) override {}
};

// A file created or replaced whole or not at all: the bytes go through a buffer into a
// temporary file beside the target, and Close() flushes it and renames it over the target.
// Until then the target is exactly as it was; the destructor of an unclosed output removes
// the temporary file. The target must be a regular file or missing (a link is followed to
// its target); a new file is readable by its owner only, a replaced one keeps its mode.
class FileOutput : public OutputStream {
public:
    explicit FileOutput(const std::filesystem::path& path);
    ~FileOutput() override;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    void Write(std::string_view bytes) override;
    void Close();

private:
    void Flush();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace sitora::gridexport
