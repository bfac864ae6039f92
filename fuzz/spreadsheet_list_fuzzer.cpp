// The program's own .xls export read back as a list: a bare BIFF stream, outside bytes. (Excel
// workbooks go to libfreexl in a child process, which a hostile file may take down alone; the
// list import's tests feed it such a file.)
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/data_error.h"
#include "data/import/spreadsheet_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        sitora::data::BareBiffAsList(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const sitora::data::DataError&) {
    }
    return 0;
}
