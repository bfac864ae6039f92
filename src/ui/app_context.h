#pragma once
// What every window shares: the program folder, the data module, the desktop services,
// the other windows and the way to end the application.
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

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class CheckWindow;
class ImportWindow;

struct AppContext {
    QString program_folder;                 // with its trailing "/"
    std::filesystem::path private_folder;   // stands in for the root of drive C
    data::TDataModule1& DataModule1;
    Services services;
    std::function<void()> end_application;  // asks the message loop to stop
    bool tray_available = true;             // false where the desktop has no notification area

    TForm6* Form6 = nullptr;
    TForm1* Form1 = nullptr;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TForm7* Form7 = nullptr;
    TForm8* Form8 = nullptr;
    CheckWindow* check_window = nullptr;  // the registry check
    ImportWindow* import_window = nullptr;  // lists brought in from files

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
