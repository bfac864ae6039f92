// Any bytes as an Access db.mdb: reading its catalogue and every table either refuses the file
// with a DataError or gives tables whose rows all have one value per column.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/data/access_reader.h"
#include "app/data/data_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The library reads files: each input is written to one scratch file of this process.
    static const std::string path = [] {
        std::string name = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/sitora-fuzz-XXXXXX";
        const int fd = mkstemp(name.data());
        close(fd);
        return name;
    }();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        sitora::data::AccessFile access(path);
        for (const std::string& name : access.TableNames()) {
            const auto table = access.ReadTable(name);
            if (!table) __builtin_trap();
            for (const auto& row : table->rows)
                if (row.size() != table->columns.size()) __builtin_trap();
        }
    } catch (const sitora::data::DataError&) {
    }
    return 0;
}
