#pragma once
// A new register file filled with given rows, read back and compared before it takes its name.
#include <filesystem>

#include "app/data/register_rows.h"

namespace sitora::data {

// Creates the register file `target` (which must not exist) holding exactly `rows`: the
// account columns as bytes, the rest as text, NULL where a value is missing. Throws DataError
// when a row cannot be written or does not read back the same; then no file is left.
void CreateRegisterFileWith(const std::filesystem::path& target, const RegisterRows& rows);

}  // namespace sitora::data
