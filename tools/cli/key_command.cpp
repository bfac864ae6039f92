// key: the data key moved into the user's keyring, or back into sk.exe.
#include <iostream>

#include "base/files/private_folder.h"
#include "commands.h"
#include "protect/data_key.h"
#include "protect/keyring.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {

int Key(const Arguments& args) {
    const Options options(args, {"--folder"}, {"--password-stdin", "--to-keyring", "--to-file"});
    const bool to_keyring = options.Flag("--to-keyring");
    if (!options.Positional().empty() || to_keyring == options.Flag("--to-file"))
        throw UsageError(Tr("key wants --to-keyring or --to-file"));
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    try {
        if (to_keyring) {
            protect::MoveDataKeyToKeyring(folder, files::PrivateFolder());
            std::cout << Tr("the data key is in your keyring now; sk.exe keeps only a marker, and a copy of the "
                            "program folder reveals no account\n");
        } else {
            protect::MoveDataKeyToFile(folder, files::PrivateFolder());
            std::cout << Tr("the data key is in sk.exe again and no longer in your keyring\n");
        }
    } catch (const protect::KeyringError& error) {
        throw CommandError(DataKeyFailure(error));
    } catch (const std::exception& error) {
        throw CommandError(Fill(Tr("the data key was not moved: %s"), {error.what()}));
    }
    return 0;
}

}  // namespace sitora::cli
