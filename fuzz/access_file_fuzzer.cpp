// Any bytes as an Access db.mdb brought in: the conversion either refuses the file with a
// DataError (also when the library reading it crashes, in its child process) or writes a
// register; the calling process always survives.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/access/access_import.h"
#include "data/data_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The library reads files: each input is written to one scratch folder of this process.
    static const std::filesystem::path folder = [] {
        std::string name = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/sitora-fuzz-XXXXXX";
        if (!mkdtemp(name.data())) std::abort();
        return std::filesystem::path(name);
    }();
    const auto source = folder / "old.mdb";
    const auto target = folder / "db.mdb";
    std::filesystem::remove(target);
    FILE* file = std::fopen(source.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        sitora::data::ImportAccessRegister(source, target);
    } catch (const sitora::data::DataError&) {
        if (std::filesystem::exists(target)) __builtin_trap();  // a refused file leaves nothing
    }
    return 0;
}
