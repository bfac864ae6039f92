#pragma once
// What every command that reads the register does first: find the program folder, ask for
// the login password and check it, and connect to db.mdb.
#include <filesystem>
#include <stdexcept>
#include <string>

#include "data/data_module.h"
#include "base/text/dates.h"
#include "options.h"

namespace sitora::cli {

// A failure that ends the command with exit code 2 and this one line.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program folder of --folder (default: the current folder), with a trailing separator.
std::string ProgramFolder(const Options& options);

// "Today" of --as-of YYYY-MM-DD, or the clock's.
text::Date Today(const Options& options);

// Asks for the login password (terminal without echo, or one line of standard input with
// --password-stdin) and compares it with the one stored in key.exe (empty when none is).
void CheckLoginPassword(const Options& options, const std::string& program_folder);

// Why the data key could not be read, in the user's language.
std::string DataKeyFailure(const std::exception& error);

// Connects the data module to db.mdb of the program folder.
void Connect(data::TDataModule1& module, const std::string& program_folder);

}  // namespace sitora::cli
