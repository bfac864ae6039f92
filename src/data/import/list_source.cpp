#include "data/import/list_source.h"

#include "data/import/spreadsheet_list.h"

namespace sitora::data {

ListSource::ListSource(const std::filesystem::path& path) {
    file_bytes_.emplace(path);
    char first[8] = {};
    const std::size_t got = file_bytes_->ReadAt(0, first, sizeof first);
    if (LooksLikeSpreadsheet(std::string_view(first, got))) {
        spreadsheet_ = SpreadsheetAsList(path);
        spreadsheet_bytes_.emplace(spreadsheet_);
    }
}

ListBytes& ListSource::Bytes() {
    if (spreadsheet_bytes_) return *spreadsheet_bytes_;
    return *file_bytes_;
}

}  // namespace sitora::data
