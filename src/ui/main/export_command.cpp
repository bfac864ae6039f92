#include "ui/main/export_command.h"

#include "base/text/clock.h"
#include "export/html_writer.h"
#include "export/rtf_writer.h"
#include "export/text_writers.h"
#include "export/xls_writer.h"
#include "ui/toolkit/data_grid.h"
#include "ui/toolkit/messages.h"

namespace sitora::ui {
namespace {

struct Format {
    const char* filter;
    const char* extension;
    gridexport::TGridExportClass writer;
};

const Format kFormats[] = {
    {"*.xls", "xls", &gridexport::MakeWriter<gridexport::TGridExportAsXLS>},
    {"*.csv", "csv", &gridexport::MakeWriter<gridexport::TGridExportAsCSV>},
    {"*.htm", "htm", &gridexport::MakeWriter<gridexport::TGridExportAsHTML>},
    {"*.rtf", "rtf", &gridexport::MakeWriter<gridexport::TGridExportAsRTF>},
    {"*.txt", "txt", &gridexport::MakeWriter<gridexport::TGridExportAsText>},
};

}  // namespace

QString WithExtension(const QString& file_name, const QString& extension) {
    if (file_name.right(3).compare(extension, Qt::CaseInsensitive) == 0) return file_name;
    return file_name + "." + extension;
}

ExportCommand::ExportCommand(AppContext& context, DataGrid& grid)
    : context_(context), grid_for_export_([&grid] { return grid.ForExport(); }) {}

void ExportCommand::Run() {
    try {
        SaveRequest request;
        for (const Format& format : kFormats) request.filters << format.filter;
        request.filter_index = entry_;
        request.file_name = QString::fromStdString(text::TimeStamp14(text::Now()));
        auto answer = context_.services.save.Ask(request);
        if (!answer) return;
        entry_ = std::clamp(answer->filter_index, 1, static_cast<int>(std::size(kFormats)));
        const Format& format = kFormats[entry_ - 1];
        const QString file_name = WithExtension(answer->file_name, format.extension);
        auto grid = grid_for_export_();
        gridexport::SaveGridToExportFile(format.writer, *grid, file_name.toStdString(), true);
        context_.services.boxes.Show("数据导出成功", kPromptTitle, kWarningBox);
    } catch (const std::exception&) {
        context_.services.boxes.Show("数据导出出错", kPromptTitle, kErrorBox);
    }
}

}  // namespace sitora::ui
