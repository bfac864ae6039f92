#pragma once
// Bringing in the register of the Windows version: its Access db.mdb becomes a new SQLite
// register with every record in table order, byte for byte where bytes matter (the eight
// protected columns are code page 936 bytes again, as the Windows program stored them).
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sitora::data {

struct AccessImportReport {
    std::size_t records = 0;
    std::size_t settings_rows = 0;
    std::vector<std::string> notes;  // what was kept but deserves a look (a year outside 2000-3000, ...)
};

// Converts the Access register `source` into a new register at `target`, which must not exist,
// and reads every row back to compare it. Throws DataError naming every record and column that
// cannot arrive exactly (text without code page 936 form, a time of day, a damaged file); then
// nothing is created.
AccessImportReport ImportAccessRegister(const std::filesystem::path& source, const std::filesystem::path& target);

struct JetConversion {
    std::filesystem::path original;  // where the Access file is kept
    AccessImportReport report;
};

// At connection: when <folder>/db.mdb is an Access file, converts it, keeps the original under a
// name that replaces nothing (db.jet.mdb, db.jet-2.mdb, ...) and puts the verified register in
// its place by one rename. Returns nothing when db.mdb is no Access file. On failure throws
// DataError, and db.mdb is the untouched original.
std::optional<JetConversion> ConvertJetRegister(const std::filesystem::path& folder);

// Throws DataError, saying what to do, when <folder>/db.mdb is a symbolic link to an Access file.
void RefuseLinkedJetRegister(const std::filesystem::path& folder);

}  // namespace sitora::data
