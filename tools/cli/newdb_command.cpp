#include <iostream>

#include "app/data/data_error.h"
#include "app/data/schema.h"
#include "commands.h"

namespace sitora::cli {

int NewDb(const Arguments& args) {
    if (args.size() != 1) {
        std::cerr << "usage: sitora-cli newdb PATH\n";
        return 2;
    }
    try {
        data::CreateStarterDatabase(args[0]);
    } catch (const data::DataError& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace sitora::cli
