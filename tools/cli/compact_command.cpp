// compact: the settings window's compaction, for cron; its two messages, exit 0 or 2.
#include <iostream>

#include "data/compaction.h"
#include "commands.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {

int Compact(const Arguments& args) {
    const Options options(args, {"--folder"}, {"--password-stdin"});
    if (!options.Positional().empty()) throw UsageError(Tr("compact takes no arguments"));
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    if (!data::CompactDatabase(folder)) {
        std::cerr << "sitora-cli: " << Tr("the compaction failed; db.mdb is as it was") << "\n";
        return 2;
    }
    std::cout << Tr("db.mdb compacted") << "\n";
    return 0;
}

}  // namespace sitora::cli
