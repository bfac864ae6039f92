#pragma once
// What this user has been told, shared by the window and sitora-cli so that a user who has both
// is told once: each due item (register, address, space or domain, run-out date) with the day
// it was told. An item is told again only on a later day; a renewed date is a new item.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/data/expiry_rules.h"
#include "app/text/dates.h"
#include "remind/reminder_text.h"

namespace sitora::remind {

// What the log calls a program folder's register: the server its register.conf names, or its
// db.mdb file.
std::string RegisterIdOf(const std::string& program_folder);

// The window's reminder is on unless this user turned it off ("到期提醒" in the icon's menu).
bool WindowRemindersOn();
void SetWindowRemindersOn(bool on);  // throws std::runtime_error when it cannot be remembered

class ReminderLog {
public:
    // <state folder>/reminders.log, beside its lock file.
    static std::filesystem::path DefaultPath();

    explicit ReminderLog(std::filesystem::path file);
    ~ReminderLog();
    ReminderLog(const ReminderLog&) = delete;
    ReminderLog& operator=(const ReminderLog&) = delete;

    // Takes the log for one reminder, waiting for another process's when `wait`; false when it
    // is held elsewhere (and not waited for). Throws std::runtime_error when it cannot be read.
    bool Take(bool wait);

    // Of `items` of the register `register_id`, those not told yet on `today`.
    std::vector<data::DueItem> Untold(const std::string& register_id, const std::vector<data::DueItem>& items,
                                      const text::Date& today) const;
    // Records `items` as told on `today` with the desktop notification that told them (0: none),
    // forgetting what is long past. Throws std::runtime_error when the log cannot be written.
    void RecordTold(const std::string& register_id, const std::vector<data::DueItem>& items, const text::Date& today,
                    std::uint32_t notification);

    // The desktop notification that the next one replaces (0: none yet).
    std::uint32_t LastNotification() const { return notification_; }

private:
    struct Entry {
        std::string told_on, register_id, kind, runs_out, address;
    };
    void Read();

    std::filesystem::path file_;
    int lock_ = -1;
    std::vector<Entry> entries_;
    std::uint32_t notification_ = 0;
};

struct Delivery {
    bool reached = false;           // someone was told
    std::uint32_t notification = 0;  // the desktop notification that told it (0: none)
};

// One reminder, the same for the window and sitora-cli: with `log` taken, the items of
// `register_id` not told today go to `deliver` as one summary (with the notification it may
// replace) and are recorded as told when it reached someone. Returns false when nothing was
// untold; `delivery` says what happened otherwise. Throws std::runtime_error when the log
// cannot be written.
bool TellUntold(ReminderLog& log, const std::string& register_id, const std::vector<data::DueItem>& items,
                const text::Date& today,
                const std::function<Delivery(const ReminderText& text, std::uint32_t replaces)>& deliver,
                Delivery& delivery);

}  // namespace sitora::remind
