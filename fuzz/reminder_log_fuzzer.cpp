// Any bytes as the reminder log (cut short, of an older form, or written by hand): read, asked
// and written again, never a crash, and what was just recorded is then known.
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
    sitora::remind::DueNow now;
    now.due = {{today, sitora::remind::DueKind::kSpace, "100001", "", "a.example"}};
    now.ahead = {{{sitora::text::AddDays(today, 20), sitora::remind::DueKind::kDomain, "100002", "", "b.example"}, today}};
    now.heads_up_days = {30};
    try {
        sitora::remind::ReminderLog log(file);
        if (!log.Take(true)) return 0;
        log.Untold("db", "desktop", now.due, today);
        log.HeadsUpsUntold("db", "desktop", now);
        log.RecordTold("db", "desktop", now, today, 7);
        if (!log.Take(true) || log.Problem() != sitora::remind::LogProblem::kNone ||
            !log.Untold("db", "desktop", now.due, today).empty() || !log.HeadsUpsUntold("db", "desktop", now).empty())
            __builtin_trap();
    } catch (const std::runtime_error&) {
    }
    return 0;
}
