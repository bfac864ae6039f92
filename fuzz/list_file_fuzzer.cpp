// Any bytes as a list file: reading either refuses them with a DataError or gives rows whose
// line numbers rise and whose cells are UTF-8 (the file's text, decoded).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "data/data_error.h"
#include "data/import/list_file.h"
#include "base/text/cp936.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const sitora::data::ListFile list = sitora::data::ReadListFile(bytes);
        std::size_t last_line = 1;
        for (const auto& row : list.rows) {
            if (row.line <= last_line) __builtin_trap();
            last_line = row.line;
            for (const auto& cell : row.cells)
                if (!sitora::text::ToCp936Exactly(cell) && sitora::text::FromCp936(sitora::text::ToCp936(cell)) != cell)
                    __builtin_trap();
        }
    } catch (const sitora::data::DataError&) {
    }
    return 0;
}
