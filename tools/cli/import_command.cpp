// import: records from a CSV or text list, each checked as the add window checks an entry.
#include <iostream>

#include "app/data/data_error.h"
#include "app/data/list_file.h"
#include "app/data/list_import.h"
#include "app/files/file_ops.h"
#include "app/files/private_folder.h"
#include "commands.h"
#include "options.h"
#include "protect/data_key.h"
#include "register_access.h"

namespace sitora::cli {
namespace {

std::string DataKey(const std::string& folder) {
    try {
        return protect::LoadDataKey(folder, files::PrivateFolder()).value_or("");
    } catch (const std::exception& error) {
        throw CommandError(std::string("cannot read the data key: ") + error.what());
    }
}

}  // namespace

int Import(const Arguments& args) {
    const Options options(args, {"--folder"}, {"--password-stdin", "--dry-run", "--skip-refused"});
    if (options.Positional().size() != 1) throw UsageError("import takes one list file");
    const std::string& path = options.Positional()[0];
    // Read as a stream, twice (the encoding, then the rows): any size takes little memory.
    std::optional<data::ListBytesInFile> bytes;
    try {
        bytes.emplace(path);
    } catch (const data::DataError& error) {
        throw CommandError(error.what());
    }
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    data::TDataModule1 module;
    Connect(module, folder);
    data::ListImportResult result;
    try {
        result = data::ImportList(module, *bytes, DataKey(folder),
                                  {options.Flag("--dry-run"), options.Flag("--skip-refused")});
    } catch (const data::DataError& error) {
        throw CommandError(path + ": " + error.what() + "; nothing written");
    }
    for (const auto& refused : result.refused)
        std::cerr << path << ":" << refused.line << ": " << refused.reason << "\n";
    const std::size_t refused = result.refused.size();
    if (options.Flag("--dry-run"))
        std::cout << result.accepted << " record(s) would be added, " << refused << " refused; nothing written\n";
    else if (refused > 0 && !options.Flag("--skip-refused"))
        std::cout << refused << " row(s) refused; nothing written (--skip-refused adds the other "
                  << result.accepted << ")\n";
    else
        std::cout << result.accepted << " record(s) added, " << refused << " refused\n";
    if (refused == 0) return 0;
    return options.Flag("--skip-refused") ? 1 : 2;
}

}  // namespace sitora::cli
