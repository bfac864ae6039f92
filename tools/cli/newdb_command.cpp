#include <iostream>

#include "data/data_error.h"
#include "data/engine/engine.h"
#include "data/register_place.h"
#include "commands.h"
#include "options.h"
#include "translation.h"

namespace sitora::cli {
namespace {

constexpr const char* kUsage = "sitora-cli newdb PATH | newdb --server URI [--from DIR/db.mdb]\n";

int NewServerRegister(const std::string& uri, const std::optional<std::string>& source) {
    data::CheckServerUri(uri, "--server");
    const int copied = data::CreateRegister(data::ServerConnectionString(uri), source);
    if (source)
        std::cout << Fill(Tr("created the register on the server; %s records copied from %s and verified\n"),
                          {std::to_string(copied), *source});
    else
        std::cout << Tr("created an empty register on the server\n");
    return 0;
}

}  // namespace

int NewDb(const Arguments& args) {
    try {
        // The common options are taken as every command takes them; newdb needs neither.
        const Options options(args, {"--server", "--from", "--folder"}, {"--password-stdin"});
        const auto server = options.Value("--server");
        if (server && options.Positional().empty()) return NewServerRegister(*server, options.Value("--from"));
        if (server || options.Value("--from") || options.Positional().size() != 1) throw UsageError("");
        data::CreateRegister(data::FileConnectionString(options.Positional()[0]));
    } catch (const UsageError&) {
        std::cerr << Tr("usage: ") << kUsage;
        return 2;
    } catch (const data::DataError& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        return 2;
    }
    return 0;
}

}  // namespace sitora::cli
