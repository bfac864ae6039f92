// sitora-cli: the register from the command line.
#include <functional>
#include <iostream>
#include <map>
#include <new>

#include "commands.h"
#include "protect/secret_bytes.h"
#include "options.h"
#include "register_access.h"
#include "remind/reminder_log.h"
#include "translation.h"

namespace {

struct Command {
    std::function<int(const sitora::cli::Arguments&)> run;
    const char* usage;
};

const char* const kCommonOptions = sitora::cli::TrLater(
    "common options: --folder DIR (the program folder, default: the current folder),\n"
    "  --as-of YYYY-MM-DD (today), --password-stdin (read the login password from standard input)\n");

const std::map<std::string, Command>& Commands() {
    using namespace sitora::cli;
    static const std::map<std::string, Command> commands = {
        {"due", {Due, TrLater("due [--format text|csv|json] [--as-of DATE] [--notify]\n"
                      "    the spaces and domains due (exit 0: none, 1: some, 2: error); --notify tells\n"
                      "    them once a day to the desktop and the chats of notify.conf instead\n")}},
        {"check", {Check, TrLater("check [--address A] [--refresh] [--quiet] [--format text|csv|json] [--as-of DATE]\n"
                          "      [--bootstrap FILE|URL] [--whois SUFFIX=HOST[:PORT]]...\n"
                          "    each domain's run-out date against its registry (RDAP, else WHOIS) and each site's\n"
                          "    certificate (exit 0: all agrees, 1: something needs attention, 2: error)\n")}},
        {"protect", {Protect, TrLater("protect [--leave-other-keys]\n"
                              "    seal every account of the register under the register key, in one step, then\n"
                              "    compact it so no old scramble remains (exit 0: done, 2: nothing written)\n")}},
        {"key", {Key, TrLater("key --to-keyring | --to-file\n"
                      "    move the data key into your desktop's keyring (sk.exe then keeps only a marker, so a\n"
                      "    copy of the program folder reveals nothing), or back into sk.exe\n")}},
        {"list", {List, TrLater("list [--format text|csv|json]\n    every record of the main list, in table order\n")}},
        {"show", {Show, TrLater("show ADDRESS [--reveal] [--format text|json]\n"
                        "    one record; --reveal adds its accounts after the data key test\n")}},
        {"export", {Export, TrLater("export --list main|expiry --format xls|csv|htm|rtf|txt --out FILE [--as-of DATE]\n"
                            "    a window's list, written as the window writes it\n")}},
        {"compact", {Compact, TrLater("compact\n    compact the register as the settings window does (exit 0: done, 2: failed)\n")}},
        {"import-access", {ImportAccess, TrLater("import-access OLD.mdb [--out NEW.mdb]\n"
                                         "    the Windows version's Access register as a new register (default: db.mdb)\n")}},
        {"import", {Import, TrLater("import FILE [--dry-run] [--skip-refused] | import --template FILE\n"
                            "    add records from a CSV or text list, checked as the add window checks them\n"
                            "    (exit 0: all added, 1: some refused, 2: nothing written); --template writes a\n"
                            "    list to fill in, with every heading a list may use\n")}},
        {"newdb", {NewDb, TrLater("newdb PATH | newdb --server URI [--from DIR/db.mdb]\n"
                          "    create an empty register (never replaces a file), or one on a PostgreSQL server\n"
                          "    (an empty database; --from copies a register into it, verified)\n")}},
    };
    return commands;
}

void Usage(std::ostream& out) {
    using sitora::cli::Tr;
    out << Tr("usage: sitora-cli COMMAND [ARGUMENTS]   (sitora-cli COMMAND --help for one command)\ncommands:\n");
    for (const auto& [name, command] : Commands()) out << "  " << Tr(command.usage);
    out << Tr(kCommonOptions);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sitora::cli;
    // The process may hold the data key and revealed accounts: a crash leaves no core file of them.
    sitora::protect::DisableCoreDumps();
    UseUsersLanguage();
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h" || first == "help") {
        Usage(std::cout);
        return 0;
    }
    const auto found = Commands().find(first);
    if (found == Commands().end()) {
        Usage(std::cerr);
        return 2;
    }
    const Arguments args(argv + 2, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::cout << Tr("usage: ") << "sitora-cli " << Tr(found->second.usage) << Tr(kCommonOptions);
            return 0;
        }
    }
    try {
        const int status = found->second.run(args);
        if (sitora::protect::SecretLockingRefused())
            std::cerr << "sitora-cli: "
                      << Tr("secret memory could not be locked (ulimit -l): keys and accounts were kept in ordinary "
                            "memory, wiped after use")
                      << "\n";
        return status;
    } catch (const UsageError& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        std::cerr << Tr("usage: ") << "sitora-cli " << Tr(found->second.usage);
        return 2;
    } catch (const sitora::remind::ReminderFileError& error) {
        std::cerr << "sitora-cli: " << Fill(Tr("cannot write %s"), {error.file.string()}) << "\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << "sitora-cli: " << Tr("out of memory: the command was stopped") << "\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "sitora-cli: " << error.what() << "\n";
        return 2;
    }
}
