// import-access: the Windows version's Access db.mdb as a new register, verified.
#include <iostream>

#include "data/access/access_import.h"
#include "data/register_files.h"
#include "commands.h"
#include "options.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {

int ImportAccess(const Arguments& args) {
    // It reads no register of ours, so it asks for no password; the switch is accepted for scripts.
    const Options options(args, {"--out", "--folder"}, {"--password-stdin"});
    if (options.Positional().size() != 1) throw UsageError(Tr("import-access takes one Access file"));
    const std::string source = options.Positional()[0];
    const std::string target = options.ValueOr("--out", ProgramFolder(options) + data::kRegisterFile);
    const data::AccessImportReport report = data::ImportAccessRegister(source, target);
    for (const std::string& note : report.notes) std::cerr << "sitora-cli: " << Fill(Tr("note: %s"), {note}) << "\n";
    std::cout << Fill(Tr("imported %s records and %s settings row(s) from %s into %s; every record read back and "
                         "compared\n"),
                      {std::to_string(report.records), std::to_string(report.settings_rows), source, target});
    return 0;
}

}  // namespace sitora::cli
