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

// A file created or replaced, written through a buffer; Close() flushes and reports the
// last failures, and the destructor closes without reporting.
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

    int fd_ = -1;
    std::string buffer_;
};

}  // namespace sitora::gridexport
