#pragma once
// Upgrading a register's accounts from the Windows version's scramble to the sealed form: every
// old value converted and read back in one transaction, so that a run that fails or is killed
// leaves the register as it was; then, for a register file, the freed pages overwritten and the
// file compacted through the guarded swap, so no old scramble lingers in it.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "data/data_module.h"

namespace sitora::data {

enum class UpgradeStep {
    kBackupWritten,  // a register file's copy as it was (protectdb.mdb)
    kConverted,      // every value converted and read back, not committed yet
    kCommitted,
    kScrubbed,       // a register file compacted through the guarded swap
    kBackupRemoved,
};

struct UpgradeReport {
    int converted = 0;       // records whose accounts were sealed now
    int already_sealed = 0;  // records that needed nothing
    // Records whose old form fails the key test under this data key (written under another one):
    // "web_id web_address" each. Without `leave_other_keys` nothing was written when any is named.
    std::vector<std::string> other_key;
    bool written = false;
};

// Upgrades the register of `program_folder` that `module` is connected to, with `data_key`
// (code page 936 bytes). Records written under another data key are never sealed under this
// one: with `leave_other_keys` they stay in the old form, otherwise nothing is written. Throws
// DataError (then the register is as it was). `observer` follows the steps (tests stop there).
UpgradeReport UpgradeAccounts(TDataModule1& module, const std::filesystem::path& program_folder,
                              std::string_view data_key, bool leave_other_keys,
                              const std::function<void(UpgradeStep)>& observer = {});

}  // namespace sitora::data
