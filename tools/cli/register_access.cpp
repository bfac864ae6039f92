#include "register_access.h"

#include "protect/keyring.h"
#include "translation.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "data/folder_preparation.h"
#include "data/register_files.h"
#include "base/files/file_ops.h"
#include "data/register_place.h"
#include "base/files/private_folder.h"
#include "base/text/byte_strings.h"
#include "base/text/clock.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "translation.h"

namespace sitora::cli {

std::string DataKeyFailure(const std::exception& error) {
    const auto* keyring = dynamic_cast<const protect::KeyringError*>(&error);
    if (!keyring) return Fill(Tr("cannot read the data key: %s"), {error.what()});
    const char* why = "";
    switch (keyring->Fault()) {
    case protect::KeyringFault::kNoService: why = Tr("no keyring service is reachable (no desktop session?)"); break;
    case protect::KeyringFault::kLocked: why = Tr("the keyring is locked; unlock it and try again"); break;
    case protect::KeyringFault::kMissing: why = Tr("the keyring holds no data key for this program folder"); break;
    case protect::KeyringFault::kFailed: why = Tr("the keyring refused"); break;
    }
    const std::string detail = keyring->Fault() == protect::KeyringFault::kMissing ? "" : " (" + std::string(error.what()) + ")";
    return Fill(Tr("cannot read the data key from the keyring: %s; the accounts stay closed"), {why + detail});
}

namespace {

// The terminal as it was before the prompt turned echo off; a signal that ends the command
// at the prompt gives it back before the process goes.
termios saved_terminal{};

void RestoreTerminalAndDie(int signal_number) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::string ReadWithoutEcho() {
    std::string line;
    std::cerr << Tr("login password: ") << std::flush;
    if (tcgetattr(STDIN_FILENO, &saved_terminal) != 0) {
        std::getline(std::cin, line);
        return line;
    }
    for (int signal_number : kEndingSignals) std::signal(signal_number, RestoreTerminalAndDie);
    termios quiet = saved_terminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    std::getline(std::cin, line);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    for (int signal_number : kEndingSignals) std::signal(signal_number, SIG_DFL);
    std::cerr << "\n";
    return line;
}

std::string ReadPassword(bool from_stdin) {
    std::string line;
    if (from_stdin || !isatty(STDIN_FILENO))
        std::getline(std::cin, line);
    else
        line = ReadWithoutEcho();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::string ProgramFolder(const Options& options) {
    std::string folder = options.ValueOr("--folder", ".");
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

text::Date Today(const Options& options) {
    auto as_of = options.Value("--as-of");
    if (!as_of) return text::Today();
    auto date = text::ParseDate(*as_of);
    if (!date) throw UsageError(Fill(Tr("--as-of wants a date YYYY-MM-DD, not %s"), {*as_of}));
    return *date;
}

void CheckLoginPassword(const Options& options, const std::string& program_folder) {
    std::string stored;
    try {
        const std::filesystem::path transfer = files::PrivateFolder() / protect::kPasswordLoadTransfer;
        stored = protect::LoadValue(std::filesystem::path(program_folder) / "key.exe", transfer).value_or("");
    } catch (const std::exception& error) {
        throw CommandError(Fill(Tr("cannot read the login password: %s"), {error.what()}));
    }
    if (text::ToCp936(ReadPassword(options.Flag("--password-stdin"))) != stored)
        throw CommandError(Tr("wrong login password"));
}

void Connect(data::TDataModule1& module, const std::string& program_folder) {
    const bool on_server = data::HasServerConfig(program_folder);
    // The window's preparation, with its messages: an Access db.mdb is converted, a compaction
    // cut short finished or undone.
    const data::FolderPreparation preparation = data::PrepareProgramFolder(program_folder);
    if (preparation.refusal) throw CommandError(data::ConversionRefusalMessage(*preparation.refusal, "\n"));
    if (preparation.conversion) std::cerr << data::ConversionMessage(*preparation.conversion, "\n") << "\n";
    std::error_code ec;
    if (!on_server && !std::filesystem::exists(std::filesystem::symlink_status(program_folder + data::kRegisterFile, ec)))
        throw CommandError(Fill(Tr("cannot open %sdb.mdb: there is no register in this folder; run sitora-cli "
                                   "in the program folder or name it with --folder DIR"),
                                {program_folder}));
    try {
        module.SetUpConnection(program_folder);
        // A file without our tables is no register.
        module.ADOQuery4.SetSQL("select count(*) from t_webinfo, t_set where 1=0");
        module.ADOQuery4.Open();
        module.ADOQuery4.Close();
    } catch (const std::exception& error) {
        const std::string where = on_server ? Tr("the register on the server") : program_folder + data::kRegisterFile;
        throw CommandError(Fill(Tr("cannot open %s: %s"), {where, error.what()}));
    }
}

}  // namespace sitora::cli
