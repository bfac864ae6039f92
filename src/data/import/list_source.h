#pragma once
// A list file as the import reads it: a CSV or text file as a stream from the disk, a
// spreadsheet made into the text of a list first.
#include <filesystem>
#include <optional>
#include <string>

#include "data/import/list_file.h"

namespace sitora::data {

class ListSource {
public:
    // Throws DataError for a file that cannot be read or a damaged spreadsheet.
    explicit ListSource(const std::filesystem::path& path);
    ListSource(const ListSource&) = delete;
    ListSource& operator=(const ListSource&) = delete;

    ListBytes& Bytes();
    // A spreadsheet's text is UTF-8 whatever the workbook held: no encoding to choose.
    bool Spreadsheet() const { return spreadsheet_bytes_.has_value(); }

private:
    std::optional<ListBytesInFile> file_bytes_;
    std::string spreadsheet_;
    std::optional<ListBytesInMemory> spreadsheet_bytes_;  // views spreadsheet_
};

}  // namespace sitora::data
