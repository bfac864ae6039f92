// export: a window's list written with the window's own grid description and writers.
#include <iostream>

#include "app/data/expiry_rules.h"
#include "app/data/statements.h"
#include "commands.h"
#include "export/html_writer.h"
#include "export/list_grids.h"
#include "export/rtf_writer.h"
#include "export/text_writers.h"
#include "export/xls_writer.h"
#include "register_access.h"

namespace sitora::cli {
namespace {

gridexport::TGridExportClass WriterFor(const std::string& format) {
    using namespace gridexport;
    if (format == "xls") return &MakeWriter<TGridExportAsXLS>;
    if (format == "csv") return &MakeWriter<TGridExportAsCSV>;
    if (format == "htm") return &MakeWriter<TGridExportAsHTML>;
    if (format == "rtf") return &MakeWriter<TGridExportAsRTF>;
    if (format == "txt") return &MakeWriter<TGridExportAsText>;
    throw UsageError("unknown format " + format + " (xls, csv, htm, rtf or txt)");
}

}  // namespace

int Export(const Arguments& args) {
    const Options options(args, {"--list", "--format", "--out", "--folder", "--as-of"}, {"--password-stdin"});
    const std::string list = options.Required("--list");
    if (list != "main" && list != "expiry") throw UsageError("unknown list " + list + " (main or expiry)");
    const auto writer = WriterFor(options.Required("--format"));
    const std::string out = options.Required("--out");
    const text::Date today = Today(options);
    const std::string folder = ProgramFolder(options);

    CheckLoginPassword(options, folder);
    data::TDataModule1 module;
    Connect(module, folder);
    data::TADOQuery* query = &module.ADOQuery1;
    gridexport::GridLook look = gridexport::MainListGrid();
    if (list == "expiry") {
        const data::Thresholds thresholds = data::ReadThresholds(module.ADOQuery4, today);
        query = &module.ADOQuery5;
        query->SetSQL(data::sql::ExpiryList(text::ShortDate(thresholds.space), text::ShortDate(thresholds.domain)));
        look = gridexport::ExpiryListGrid();
    }
    query->Open();
    gridexport::QueryGrid grid(look, *query);
    try {
        gridexport::SaveGridToExportFile(writer, grid, out, true);
    } catch (const gridexport::ExportError& error) {
        throw CommandError("cannot export to " + out + ": " + error.what());
    }
    return 0;
}

}  // namespace sitora::cli
