// sitora-cli: the register from the command line.
#include <functional>
#include <iostream>
#include <map>

#include "commands.h"
#include "options.h"
#include "register_access.h"

namespace {

void Usage() {
    std::cerr << "usage: sitora-cli COMMAND [ARGUMENTS]\n"
                 "commands:\n"
                 "  newdb PATH    create an empty register (never replaces a file)\n"
                 "  export --list main|expiry --format xls|csv|htm|rtf|txt --out FILE\n"
                 "                write a window's list to a file\n"
                 "  due [--format text|csv|json]\n"
                 "                the spaces and domains due (exit 0: none, 1: some, 2: error)\n"
                 "  list [--format text|csv|json]\n"
                 "                every record of the main list\n"
                 "  show ADDRESS [--reveal] [--format text|json]\n"
                 "                one record; --reveal adds its accounts after the data key test\n"
                 "  compact       compact db.mdb as the settings window does (exit 0: done, 2: failed)\n"
                 "common options: --folder DIR (the program folder, default: current folder),\n"
                 "  --as-of YYYY-MM-DD (today), --password-stdin (read the login password from stdin)\n";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sitora::cli;
    const std::map<std::string, std::function<int(const Arguments&)>> commands = {
        {"newdb", NewDb},
        {"export", Export},
        {"due", Due},
        {"list", List},
        {"show", Show},
        {"compact", Compact},
    };
    if (argc < 2 || !commands.count(argv[1])) {
        Usage();
        return 2;
    }
    try {
        return commands.at(argv[1])(Arguments(argv + 2, argv + argc));
    } catch (const UsageError& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        Usage();
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        return 2;
    }
}
