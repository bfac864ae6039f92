// import-access: the Windows version's Access db.mdb as a new register, verified.
#include <iostream>

#include "app/data/access_import.h"
#include "commands.h"
#include "options.h"
#include "register_access.h"

namespace sitora::cli {

int ImportAccess(const Arguments& args) {
    // It reads no register of ours, so it asks for no password; the switch is accepted for scripts.
    const Options options(args, {"--out", "--folder"}, {"--password-stdin"});
    if (options.Positional().size() != 1) throw UsageError("import-access takes one Access file");
    const std::string source = options.Positional()[0];
    const std::string target = options.ValueOr("--out", ProgramFolder(options) + "db.mdb");
    const data::AccessImportReport report = data::ImportAccessRegister(source, target);
    for (const std::string& note : report.notes) std::cerr << "sitora-cli: note: " << note << "\n";
    std::cout << "imported " << report.records << " records and " << report.settings_rows
              << " settings row(s) from " << source << " into " << target << "; every record read back and compared\n";
    return 0;
}

}  // namespace sitora::cli
