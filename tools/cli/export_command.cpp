// export: a window's list written with the window's own grid description and writers.
#include <iostream>

#include "data/expiry_rules.h"
#include "data/register_files.h"
#include "data/catalogue/statements.h"
#include "commands.h"
#include "export/html_writer.h"
#include "export/list_grids.h"
#include "export/rtf_writer.h"
#include "export/text_writers.h"
#include "export/xls_writer.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {
namespace {

gridexport::TGridExportClass WriterFor(const std::string& format) {
    using namespace gridexport;
    if (format == "xls") return &MakeWriter<TGridExportAsXLS>;
    if (format == "csv") return &MakeWriter<TGridExportAsCSV>;
    if (format == "htm") return &MakeWriter<TGridExportAsHTML>;
    if (format == "rtf") return &MakeWriter<TGridExportAsRTF>;
    if (format == "txt") return &MakeWriter<TGridExportAsText>;
    throw UsageError(Fill(Tr("unknown format %s (xls, csv, htm, rtf or txt)"), {format}));
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    // Made absolute first: a bare name that names no file yet is not resolved against the folder.
    auto resolved = [&ec](const std::filesystem::path& path) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    };
    if (resolved(a) == resolved(b)) return true;
    return std::filesystem::equivalent(a, b, ec);
}

// The Access originals a conversion keeps: db.jet.mdb, db.jet-2.mdb, ...
bool IsKeptOriginal(const std::filesystem::path& out, const std::string& folder) {
    const std::string name = std::filesystem::path(out).filename().string();
    return data::IsKeptAccessFile(name) && SameFile(std::filesystem::path(out).parent_path().empty() ? "." : std::filesystem::path(out).parent_path(), folder);
}

// An export never takes the place of the register, a carrier, compaction's files or the kept
// Access original.
void RefuseProgramFiles(const std::string& out, const std::string& folder) {
    for (const char* name : {data::kRegisterFile, "key.exe", "sk.exe", data::kCompactedFile, data::kBackupFile,
                             data::kServerConfigFile})
        if (SameFile(out, std::filesystem::path(folder) / name))
            throw CommandError(Fill(Tr("--out %s is the program folder's %s: refused"), {out, name}));
    if (IsKeptOriginal(out, folder))
        throw CommandError(Fill(Tr("--out %s is the Access original kept in the program folder: refused"), {out}));
}

}  // namespace

int Export(const Arguments& args) {
    const Options options(args, {"--list", "--format", "--out", "--folder", "--as-of"}, {"--password-stdin"});
    const std::string list = options.Required("--list");
    if (list != "main" && list != "expiry") throw UsageError(Fill(Tr("unknown list %s (main or expiry)"), {list}));
    const auto writer = WriterFor(options.Required("--format"));
    const std::string out = options.Required("--out");
    const text::Date today = Today(options);
    const std::string folder = ProgramFolder(options);
    RefuseProgramFiles(out, folder);

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
        throw CommandError(Fill(Tr("cannot export to %s: %s"), {out, error.what()}));
    }
    return 0;
}

}  // namespace sitora::cli
