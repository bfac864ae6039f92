// Any bytes as notify.conf: chat targets with http(s) addresses or a ConfigError, never a crash.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "remind/notify_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path file = [] {
        auto folder = std::filesystem::temp_directory_path() / ("sitora-notify-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        return folder / sitora::remind::kNotifyConfigFile;
    }();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    chmod(file.c_str(), 0600);
    try {
        const auto config = sitora::remind::ReadNotifyConfig(file);
        for (const auto& target : config.targets)
            if (!(target.url.starts_with("http") || target.url.starts_with("smtp")) ||
                target.url.find('\n') != std::string::npos)
                __builtin_trap();
        for (int days : config.heads_up_days)
            if (days < 1 || days > sitora::remind::kLongestHeadsUp) __builtin_trap();
    } catch (const sitora::remind::ConfigError&) {
    }
    return 0;
}
