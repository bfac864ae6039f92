#pragma once
// Writes small Access (Jet 4) files for the import tests, following the page layouts that the
// mdbtools project publishes: a database page, the catalogue (MSysObjects) on page 2, one
// definition page per table, its rows on data pages, and the page usage maps those point to.
// Enough for libmdb and mdb-export to read every row; no indexes, no long values off-page.
#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace sitora::test {

enum class JetType : std::uint8_t { kInt = 0x03, kLong = 0x04, kDateTime = 0x08, kText = 0x0A, kMemo = 0x0C };

struct JetColumn {
    std::string name;  // UTF-8
    JetType type;
};

// NULL, a whole number, a Date/Time (days since 1899-12-30, time as the fraction) or a text
// (UTF-8, stored as UCS-2 as Access stores it).
using JetValue = std::variant<std::monostate, std::int32_t, double, std::string>;

struct JetTable {
    std::string name;
    std::vector<JetColumn> columns;
    std::vector<std::vector<JetValue>> rows;
};

// Jet's day number of a calendar date (1899-12-30 is 0; earlier dates are negative).
double JetDay(int year, unsigned month, unsigned day);

// Writes the tables into a new Jet 4 file at `path` (replacing it).
void WriteJet4(const std::filesystem::path& path, const std::vector<JetTable>& tables);

// Scrambled code page 936 bytes as the Windows version stored them in a text column: each
// byte sequence read with Windows' code page 936 table (here: our own conversion), as UTF-8.
std::string AsWindowsText(const std::string& cp936_bytes);

}  // namespace sitora::test
