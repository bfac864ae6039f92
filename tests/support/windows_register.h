#pragma once
// The Windows version's db.mdb, built for tests: an Access (Jet 4) file with t_webinfo and
// t_set, the accounts scrambled with the record number (and the data key) and stored as the
// Windows program's code page 936 bytes read as text, the dates as Date/Time.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace sitora::test {

using Record = std::map<std::string, std::string>;  // column -> UTF-8 text; dates "YYYY-MM-DD"

struct WindowsRegister {
    std::vector<Record> records;  // accounts in clear
    std::string data_key;         // code page 936 bytes
    bool with_settings = true;    // t_set with the lead times 5 and 7
};

// Writes the register; returns each record's stored account bytes (column -> bytes).
std::vector<Record> WriteWindowsRegister(const std::filesystem::path& path, const WindowsRegister& source);

// A record with every column filled: Chinese text, accounts, a two-line remark.
Record WindowsRecord(const std::string& number, const std::string& address);

}  // namespace sitora::test
