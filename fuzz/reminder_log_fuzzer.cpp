// Any bytes as the reminder log (cut short, or written by hand): read, asked and written again,
// never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "remind/reminder_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path file = [] {
        auto folder = std::filesystem::temp_directory_path() / ("sitora-log-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        return folder / "reminders.log";
    }();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    using namespace std::chrono;
    const sitora::text::Date today{year{2027}, February, day{26}};
    const std::vector<sitora::data::DueItem> items{{today, sitora::data::DueKind::kSpace, "100001", "", "a.example"}};
    try {
        sitora::remind::ReminderLog log(file);
        if (!log.Take(true)) return 0;
        const auto untold = log.Untold("db", items, today);
        log.RecordTold("db", untold, today, 7);
        if (!log.Take(true) || !log.Untold("db", items, today).empty()) __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
