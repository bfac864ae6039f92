#pragma once
// Writes the list a window's grid shows to a file in the format the user picks.
#include <QString>

#include "ui/app_context.h"

namespace sitora::ui {

class DataGrid;

// The file name as the command uses it: the chosen extension appended unless the name's last
// three characters already are it (in any letter case).
QString WithExtension(const QString& file_name, const QString& extension);

class ExportCommand {
public:
    ExportCommand(AppContext& context, DataGrid& grid) : context_(context), grid_(grid) {}

    void Run();
    int RememberedEntry() const { return entry_; }

private:
    AppContext& context_;
    DataGrid& grid_;
    int entry_ = 1;  // the dialog's chosen entry, 1-based, remembered per window
};

}  // namespace sitora::ui
