#pragma once
// Writes the list a window's grid shows to a file in the format the user picks.
#include <QString>
#include <functional>
#include <memory>

#include "export/grid_source.h"

#include "ui/app_context.h"

namespace sitora::ui {

class DataGrid;

// The file name as the command uses it: the chosen extension appended unless the name's last
// three characters already are it (in any letter case).
QString WithExtension(const QString& file_name, const QString& extension);

class ExportCommand {
public:
    using GridForExport = std::function<std::unique_ptr<gridexport::ExportGrid>()>;

    ExportCommand(AppContext& context, DataGrid& grid);
    // A list that is no query's: `grid_for_export` gives its rows as they stand at the export.
    ExportCommand(AppContext& context, GridForExport grid_for_export)
        : context_(context), grid_for_export_(std::move(grid_for_export)) {}

    void Run();
    int RememberedEntry() const { return entry_; }

private:
    AppContext& context_;
    GridForExport grid_for_export_;
    int entry_ = 1;  // the dialog's chosen entry, 1-based, remembered per window
};

}  // namespace sitora::ui
