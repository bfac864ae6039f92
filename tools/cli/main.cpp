// sitora-cli: the register from the command line.
#include <functional>
#include <iostream>
#include <map>

#include "commands.h"

namespace {

void Usage() {
    std::cerr << "usage: sitora-cli COMMAND [ARGUMENTS]\n"
                 "commands:\n"
                 "  newdb PATH    create an empty register (never replaces a file)\n";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sitora::cli;
    const std::map<std::string, std::function<int(const Arguments&)>> commands = {
        {"newdb", NewDb},
    };
    if (argc < 2 || !commands.count(argv[1])) {
        Usage();
        return 2;
    }
    try {
        return commands.at(argv[1])(Arguments(argv + 2, argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        return 2;
    }
}
