#pragma once
// Builds a program folder holding a register of N realistic records.
#include <filesystem>

namespace sitora::bench {

// db.mdb with `records` records (Chinese names, dates over 15 years, accounts scrambled as the
// program writes them), empty key.exe and sk.exe holding `data_key`.
void GenerateProgramFolder(const std::filesystem::path& folder, int records, const char* data_key);

}  // namespace sitora::bench
