// protect: a register's accounts upgraded from the Windows version's scramble to the sealed form.
#include <iostream>

#include "data/account_upgrade.h"
#include "base/files/private_folder.h"
#include "commands.h"
#include "protect/data_key.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {

int Protect(const Arguments& args) {
    const Options options(args, {"--folder"}, {"--password-stdin", "--leave-other-keys"});
    if (!options.Positional().empty()) throw UsageError(Tr("protect takes no arguments"));
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    std::string data_key;
    try {
        data_key = protect::LoadDataKey(folder, files::PrivateFolder()).value_or("");
    } catch (const std::exception& error) {
        throw CommandError(DataKeyFailure(error));
    }
    data::TDataModule1 module;
    Connect(module, folder);
    const bool leave = options.Flag("--leave-other-keys");
    const data::UpgradeReport report = data::UpgradeAccounts(module, folder, data_key, leave);
    if (!report.other_key.empty()) {
        std::cerr << Tr(leave ? "left in the old form, written under another data key:\n"
                              : "nothing was changed: these records were written under another data key\n"
                                "(set the data key they were written under, remove them, or run again with "
                                "--leave-other-keys):\n");
        for (const std::string& record : report.other_key) std::cerr << "  " << record << "\n";
        if (!leave) return 2;
    }
    std::cout << Fill(Tr("%s records sealed, %s sealed already\n"),
                      {std::to_string(report.converted), std::to_string(report.already_sealed)});
    if (data_key.empty())
        std::cerr << Tr("the data key is empty: anyone with db.mdb can open the accounts; set one in the settings window\n");
    return 0;
}

}  // namespace sitora::cli
