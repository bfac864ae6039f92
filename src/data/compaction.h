#pragma once
// Compacting db.mdb without ever risking it: a flushed backup (tempdb.mdb) first, the
// compacted copy (newdb.mdb) written, flushed and verified against the source, then put in
// place by one atomic rename. Whatever fails, and wherever the process is killed, db.mdb
// (or, only when db.mdb is lost, its backup) holds every record.
#include <filesystem>
#include <functional>

#include "data/register_files.h"

namespace sitora::data {

// The steps of a run, in order; tests stop a run after any of them.
enum class CompactionStep {
    kJournalReturned = 0,  // only for a register found in WAL mode, before the write lock
    kSourceChecked = 1,
    kStaleCopyRemoved,
    kBackupWritten,
    kCopyWritten,
    kCopyVerified,
    kSwapped,
    kBackupRemoved,
};

// Called after each step completes (for crash tests); may throw to fail the run there.
using StepObserver = std::function<void(CompactionStep)>;

// Compacts <folder>/db.mdb (a server register: the server's own upkeep). The caller closes
// its own connection first. Returns true on success; on failure db.mdb is as it was.
bool CompactDatabase(const std::filesystem::path& folder, const StepObserver& observer = {});

// Before the register is first connected: finishes or undoes what an interrupted run left.
// A backup is restored only when db.mdb is missing or damaged; leftovers beside an intact
// db.mdb are removed; a db.mdb that another process holds locked is left alone, and without
// leftovers db.mdb is not opened at all.
void RecoverInterruptedCompaction(const std::filesystem::path& folder);

enum class DatabaseCondition { kIntact, kDamaged, kBusy };

// Intact: opens as an SQLite database and passes PRAGMA integrity_check. Busy: another
// process holds it locked, so nothing can be said.
DatabaseCondition ConditionOf(const std::filesystem::path& path);
bool DatabaseIntact(const std::filesystem::path& path);

}  // namespace sitora::data
