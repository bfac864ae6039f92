#pragma once
// Reading the tables of an Access (Jet 3 or Jet 4) file through mdbtools' libmdb. Text comes
// as UTF-8; Date/Time as Jet's day number, read from the row itself (libmdb's own formatting
// loses years before 1900 and after 9999's end of day); Jet 3 text also as the file's bytes.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sitora::data {

struct AccessValue {
    enum class Kind { kNull, kText, kNumber, kDateTime };
    Kind kind = Kind::kNull;
    std::string text;                  // kText: UTF-8; kNumber: the number as text
    std::optional<std::string> bytes;  // kText of a Jet 3 text column: the bytes as stored
    double day = 0;                    // kDateTime: days since 1899-12-30, time of day as fraction
};

struct AccessTable {
    std::string name;
    std::vector<std::string> columns;
    std::vector<std::vector<AccessValue>> rows;  // table order
    int ColumnIndex(std::string_view name) const;  // case-insensitive; -1 when absent
};

// The fixed mask over page 0 of every Jet file from offset 0x18; applying it twice undoes it.
void ApplyJetHeaderMask(unsigned char* bytes, std::size_t length);

// True when the file starts like a Jet database ("Standard Jet DB"), whatever its state.
bool LooksLikeJetFile(const std::filesystem::path& path);

class AccessFile {
public:
    // Throws DataError when the file is missing, is no Jet file, or is cut short.
    explicit AccessFile(const std::filesystem::path& path);
    ~AccessFile();
    AccessFile(const AccessFile&) = delete;
    AccessFile& operator=(const AccessFile&) = delete;

    int JetVersion() const { return jet_version_; }  // 3 or 4
    // The user tables, in catalogue order.
    const std::vector<std::string>& TableNames() const { return tables_; }
    // The whole table whose name matches without regard to case; nothing when there is none.
    // Throws DataError when its rows cannot all be read (a damaged file).
    std::optional<AccessTable> ReadTable(std::string_view name);

private:
    struct Library;  // libmdb's handle
    std::unique_ptr<Library> library_;
    int jet_version_ = 0;
    std::vector<std::string> tables_;
};

}  // namespace sitora::data
