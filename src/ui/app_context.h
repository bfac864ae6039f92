#pragma once
// What every window shares: the program folder, the data module, the desktop services, the
// data key, the way to ask for the other windows and the way to end the application.
#include <QString>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "data/data_module.h"
#include "protect/data_key_slot.h"
#include "ui/toolkit/services.h"
#include "ui/window_opener.h"

namespace sitora::ui {

struct AppContext {
    QString program_folder;                 // with its trailing "/"
    std::filesystem::path private_folder;   // stands in for the root of drive C
    data::TDataModule1& DataModule1;
    Services services;
    std::function<void()> end_application;  // asks the message loop to stop
    bool tray_available = true;             // false where the desktop has no notification area

    // The other windows, as any window may ask for them; none before the window set exists.
    WindowOpener* windows = nullptr;

    // Where reminders of what is due are shown; none: the program reminds nobody.
    DesktopNotifier* notifier = nullptr;

    // The data key, loaded at login; every window reads it here.
    protect::DataKeySlot data_key{};

    std::string ProgramFolderBytes() const { return program_folder.toStdString(); }
    // A transfer file in the private folder; throws when there is no private folder.
    std::filesystem::path TransferFile(const char* name) const {
        if (private_folder.empty()) throw std::runtime_error("no private folder for transfer files");
        return private_folder / name;
    }
    std::filesystem::path ProgramFile(const char* name) const {
        return std::filesystem::path(program_folder.toStdString()) / name;
    }
};

}  // namespace sitora::ui
