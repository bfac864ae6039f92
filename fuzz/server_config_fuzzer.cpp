// Any bytes as register.conf: either a connection URI without a password or a DataError, never
// a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/data_error.h"
#include "data/register_place.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("sitora-config-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    std::ofstream(folder / sitora::data::kServerConfigFile, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        const auto uri = sitora::data::ServerUriOf(folder);
        if (!uri || uri->find('\n') != std::string::npos) __builtin_trap();
    } catch (const sitora::data::DataError&) {
    }
    return 0;
}
