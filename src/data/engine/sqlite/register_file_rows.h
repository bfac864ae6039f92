#pragma once
// A register file's rows, whole: written into a new file, read back and compared before it takes
// its name; or read out of an existing file to be copied elsewhere.
#include <filesystem>

#include "data/register_rows.h"

namespace sitora::data {

// Creates the register file `target` (which must not exist) holding exactly `rows` (new ids in
// their order): the account columns as bytes, the rest as text, NULL where a value is missing.
// Throws DataError when a row cannot be written or does not read back the same; then no file
// is left.
void CreateRegisterFileWith(const std::filesystem::path& target, const RegisterRows& rows);

// Every record, with its id, in id order, and the lead-time rows of the register file `source`,
// read in one read transaction (a window or cron writing it meanwhile cannot slip a change
// between the two) and never written. Throws DataError naming the file.
RegisterRows ReadRegisterFile(const std::filesystem::path& source);

}  // namespace sitora::data
