#include "data/engine/sqlite/file_compaction.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "data/access/access_reader.h"
#include "data/data_error.h"
#include "data/engine/sqlite/sqlite_handles.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "base/files/failure_points.h"
#include "base/files/file_ops.h"

namespace sitora::data {
namespace {

using Database = SqliteDatabase;

Database OpenDatabase(const std::filesystem::path& path, int flags) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Database handle(db);
    if (rc != SQLITE_OK) throw DataError("cannot open " + path.string());
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    // The reading passes map the file rather than copy it page by page; nothing writes a file
    // while the compaction reads it.
    if (flags & SQLITE_OPEN_READONLY) sqlite3_exec(db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    return handle;
}

std::string SingleText(sqlite3* db, const char* sql) {
    const SqliteStatement guard = PrepareStatement(db, sql);
    sqlite3_stmt* statement = guard.get();
    if (sqlite3_step(statement) != SQLITE_ROW) throw DataError(sqlite3_errmsg(db));
    const unsigned char* text = sqlite3_column_text(statement, 0);
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Row count and a checksum over every value of a table, in row order: what a compacted copy
// must share with its source.
struct TableDigest {
    std::int64_t rows = 0;
    std::uint64_t checksum = 1469598103934665603ull;
    bool operator==(const TableDigest&) const = default;
};

void Mix(std::uint64_t& hash, const void* data, std::size_t size) {
    const std::size_t value = std::hash<std::string_view>{}(std::string_view(static_cast<const char*>(data), size));
    hash = (hash ^ value) * 1099511628211ull;
}

TableDigest Digest(sqlite3* db, const char* table) {
    const std::string sql = std::string("select * from ") + table + " order by rowid";
    const SqliteStatement guard = PrepareStatement(db, sql);
    sqlite3_stmt* statement = guard.get();
    TableDigest digest;
    const int columns = sqlite3_column_count(statement);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        ++digest.rows;
        for (int c = 0; c < columns; ++c) {
            sqlite3_value* value = sqlite3_column_value(statement, c);
            const int type = sqlite3_value_type(value);
            const void* bytes = sqlite3_value_blob(value);
            const int size = sqlite3_value_bytes(value);
            digest.checksum = (digest.checksum ^ static_cast<std::uint64_t>(type)) * 1099511628211ull;
            Mix(digest.checksum, bytes ? bytes : "", static_cast<std::size_t>(size));
        }
    }
    if (rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db));
    return digest;
}

struct RegisterDigest {
    TableDigest records;
    TableDigest settings;
    bool operator==(const RegisterDigest&) const = default;
};

RegisterDigest DigestOf(sqlite3* db) { return {Digest(db, "t_webinfo"), Digest(db, "t_set")}; }

RegisterDigest DigestOf(const std::filesystem::path& path, int flags) {
    Database db = OpenDatabase(path, flags);
    return DigestOf(db.get());
}

void Require(bool ok, const char* what) {
    if (!ok) throw DataError(what);
}

// Removes a database file together with the journal files SQLite may have left beside it.
bool RemoveDatabaseFiles(const std::filesystem::path& path) {
    bool ok = true;
    for (const char* suffix : {"-journal", "-wal", "-shm"}) ok &= files::RemoveFile(path.string() + suffix);
    return files::RemoveFile(path) && ok;
}

bool SyncPath(const std::filesystem::path& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = files::SyncFile(fd);
    close(fd);
    return ok;
}

// The main file of a connection, read through SQLite's own handle: opening and closing the
// file beside SQLite would drop the locks this process holds on it.
sqlite3_file* MainFile(sqlite3* db) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
        throw DataError("cannot reach the database file");
    return file;
}

// The file change counter of the database header: every commit of any process changes it.
std::uint32_t ChangeCounter(sqlite3* db) {
    sqlite3_file* file = MainFile(db);
    unsigned char header[4] = {};
    if (file->pMethods->xRead(file, header, sizeof header, 24) != SQLITE_OK) throw DataError("cannot read db.mdb");
    return (std::uint32_t{header[0]} << 24) | (std::uint32_t{header[1]} << 16) | (std::uint32_t{header[2]} << 8) |
           header[3];
}

// Streams the connection's database file into a new file `to` and flushes it.
bool CopyAndFlush(sqlite3* db, const std::filesystem::path& to) {
    sqlite3_file* file = MainFile(db);
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK) return false;
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool ok = out >= 0;
    std::string buffer(1 << 20, '\0');
    for (sqlite3_int64 offset = 0; ok && offset < size;) {
        const int chunk = static_cast<int>(std::min<sqlite3_int64>(static_cast<sqlite3_int64>(buffer.size()), size - offset));
        ok = file->pMethods->xRead(file, buffer.data(), chunk, offset) == SQLITE_OK &&
             files::WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(chunk)));
        offset += chunk;
    }
    ok = ok && files::SyncFile(out);
    if (out >= 0 && close(out) != 0) ok = false;
    return ok;
}

// The backup of db.mdb. db.mdb is never written in place during a run (the compacted copy
// replaces it by rename), so a second name for the same file is a complete backup: the old
// file lives on under it after the swap. Where the file system has no hard links, a byte copy,
// flushed under a temporary name renamed into place, serves instead.
void BackUp(sqlite3* source, const std::filesystem::path& from, const std::filesystem::path& to) {
    files::RemoveFile(to);
    if (files::LinkFile(from, to)) {
        Require(files::SyncFolder(to.parent_path()), "cannot flush the folder");
        return;
    }
    const std::filesystem::path part = to.string() + ".part";
    files::RemoveFile(part);
    if (!CopyAndFlush(source, part)) {
        files::RemoveFile(part);
        throw DataError("cannot write the backup");
    }
    if (!files::RenameFile(part, to)) {
        files::RemoveFile(part);
        throw DataError("cannot put the backup in place");
    }
    Require(files::SyncFolder(to.parent_path()), "cannot flush the folder");
}

// Other processes' writes wait from here to the swap: the connection holds the register's
// write lock (rollback journal) for the whole run. A register in WAL mode is returned to a
// rollback journal first, which SQLite allows only while no other process has it open; a tool
// may switch it back before the lock is taken, so the mode is asked again under the lock.
Database LockAgainstWriters(const std::filesystem::path& database, const StepObserver& observer) {
    Database guard = OpenDatabase(database, SQLITE_OPEN_READWRITE);
    const std::string mode = SingleText(guard.get(), "PRAGMA journal_mode");
    if (mode == "wal") {
        if (SingleText(guard.get(), "PRAGMA journal_mode=DELETE") != "delete")
            throw DataError("db.mdb is in use in WAL mode");
        if (observer) observer(CompactionStep::kJournalReturned);
    }
    Require(sqlite3_exec(guard.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK,
            "db.mdb is locked by another writer");
    // The first read rolls back a journal left by a crash, so that the backup and the copy
    // are the database as SQLite sees it; it also reads the mode the file is in now.
    Require(SingleText(guard.get(), "SELECT count(*) FROM sqlite_master") != "", "cannot read db.mdb");
    Require(SingleText(guard.get(), "PRAGMA journal_mode") != "wal", "db.mdb was put in WAL mode by another program");
    return guard;
}

// A new, empty file that only its owner can open from its first byte on: VACUUM INTO
// writes into it.
void CreateOwnerOnly(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    Require(fd >= 0, "cannot create the compacted copy");
    close(fd);
}

// The compacted copy takes db.mdb's mode and group; where the group cannot be kept, nobody
// but the owner gets access.
void TakeModeAndGroup(const std::filesystem::path& copy, const struct stat& original) {
    mode_t mode = original.st_mode & 07777;
    if (chown(copy.c_str(), static_cast<uid_t>(-1), original.st_gid) != 0) mode &= 0700;
    Require(files::SetMode(copy, mode), "cannot set the compacted copy's mode");
}

// Pages, b-trees and every index against its rows.
bool FullyIntact(const std::filesystem::path& path) {
    Database db = OpenDatabase(path, SQLITE_OPEN_READONLY);
    return SingleText(db.get(), "PRAGMA integrity_check(1)") == "ok";
}

void Notify(const StepObserver& observer, CompactionStep step) {
    files::CrashPoint("compaction", static_cast<int>(step));
    if (observer) observer(step);
}

}  // namespace

DatabaseCondition ConditionOf(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return DatabaseCondition::kDamaged;
    sqlite3* db = nullptr;
    // Read-write, so that a journal left by a crash is rolled back rather than ignored.
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::string result;
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        rc = sqlite3_exec(
            db, "PRAGMA integrity_check",
            [](void* out, int, char** values, char**) {
                if (static_cast<std::string*>(out)->empty() && values[0]) *static_cast<std::string*>(out) = values[0];
                return 0;
            },
            &result, nullptr);
    }
    sqlite3_close(db);
    // Another process's lock says nothing about the file's state.
    if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) return DatabaseCondition::kBusy;
    return rc == SQLITE_OK && result == "ok" ? DatabaseCondition::kIntact : DatabaseCondition::kDamaged;
}

bool DatabaseIntact(const std::filesystem::path& path) { return ConditionOf(path) == DatabaseCondition::kIntact; }

namespace {

// What is asked of db.mdb after the swap: it opens and holds the register's tables.
bool DatabaseOpens(const std::filesystem::path& path) {
    try {
        Database db = OpenDatabase(path, SQLITE_OPEN_READWRITE);
        return SingleText(db.get(), "SELECT count(*) FROM sqlite_master WHERE name IN ('t_webinfo','t_set')") == "2";
    } catch (const DataError&) {
        return false;
    }
}

}  // namespace

bool CompactRegisterFile(const std::filesystem::path& folder, const StepObserver& observer) {
    const auto database = folder / kRegisterFile;
    const auto compacted = folder / kCompactedFile;
    const auto backup = folder / kBackupFile;
    bool swapped = false;
    try {
        // A link would be replaced by a plain file and its target orphaned: refused, as is
        // anything but a regular file.
        struct stat original {};
        Require(lstat(database.c_str(), &original) == 0 && S_ISREG(original.st_mode), "db.mdb is not a regular file");
        RequireOpenablePath(compacted);
        Database guard = LockAgainstWriters(database, observer);
        const std::uint32_t counter = ChangeCounter(guard.get());
        Notify(observer, CompactionStep::kSourceChecked);

        // A copy left by an earlier run is never opened: with its journal it could roll back
        // to an empty database that still passes the integrity check.
        Require(RemoveDatabaseFiles(compacted), "cannot remove the stale copy");
        Notify(observer, CompactionStep::kStaleCopyRemoved);

        BackUp(guard.get(), database, backup);
        Notify(observer, CompactionStep::kBackupWritten);

        CreateOwnerOnly(compacted);
        // Every row of the source is read (proving it readable) and summed up on a second
        // thread and connection while SQLite writes the copy; nothing writes db.mdb meanwhile.
        auto source_digest =
            std::async(std::launch::async, [&database] { return DigestOf(database, SQLITE_OPEN_READONLY); });

        {
            // Read-write although it only reads: from a read-only connection VACUUM INTO takes
            // three times as long.
            Database source = OpenDatabase(database, SQLITE_OPEN_READWRITE);
            sqlite3_stmt* statement = nullptr;
            Require(sqlite3_prepare_v2(source.get(), "VACUUM INTO ?", -1, &statement, nullptr) == SQLITE_OK,
                    "cannot prepare the compaction");
            const SqliteStatement guard_statement(statement);
            const std::string target = compacted.string();
            sqlite3_bind_text(statement, 1, target.c_str(), static_cast<int>(target.size()), SQLITE_TRANSIENT);
            Require(sqlite3_step(statement) == SQLITE_DONE, "the compaction failed");
        }
        const RegisterDigest expected = source_digest.get();

        {
            // The copy goes to the disk while it is checked: its structure and its rows at the
            // same time, on two more threads. Its pages, b-trees and every index against its rows
            // are checked whole (VACUUM copies an index's entries as they are, so an index of the
            // source that no longer matches its rows is caught here), and the rows themselves are
            // compared value by value with the source.
            auto flushed = std::async(std::launch::async,
                                      [&] { return SyncPath(compacted) && files::SyncFolder(folder); });
            auto structure = std::async(std::launch::async, [&compacted] { return FullyIntact(compacted); });
            const bool same_rows = DigestOf(compacted, SQLITE_OPEN_READONLY) == expected;
            Require(flushed.get(), "cannot flush the compacted copy");
            Notify(observer, CompactionStep::kCopyWritten);
            Require(structure.get(), "the compacted copy is damaged");
            Require(same_rows, "the compacted copy differs from db.mdb");
        }
        Notify(observer, CompactionStep::kCopyVerified);

        TakeModeAndGroup(compacted, original);
        // Whatever got past the lock (a tool that ignores SQLite's locks) makes the copy stale.
        Require(ChangeCounter(guard.get()) == counter, "db.mdb changed during the compaction");
        Require(files::RenameFile(compacted, database), "cannot put the compacted copy in place");
        swapped = true;
        Require(files::SyncFolder(folder), "cannot flush the folder");
        Notify(observer, CompactionStep::kSwapped);
        // Closing the guard lets waiting writers on: those that still hold the old file are
        // refused by SQLite (the file was moved); new connections open the compacted one.
    } catch (const std::exception&) {
        // Before the swap db.mdb has not been touched: the half-made copy and the backup go.
        // After it, the backup stays until the next start has seen db.mdb open.
        if (!swapped) RemoveDatabaseFiles(compacted);
        if (!swapped && files::RemoveFile(backup)) files::SyncFolder(folder);
        return false;
    }

    // db.mdb is the verified copy now; the backup goes only once it opens.
    if (!DatabaseOpens(database)) {
        RecoverInterruptedCompaction(folder);
        return false;
    }
    files::RemoveFile(backup);
    files::SyncFolder(folder);
    Notify(observer, CompactionStep::kBackupRemoved);
    return true;
}

void CopyRegisterFile(const std::filesystem::path& folder, const char* name) {
    const Database source = OpenDatabase(folder / kRegisterFile, SQLITE_OPEN_READWRITE);
    // A read transaction holds the file still while it is copied.
    Require(sqlite3_exec(source.get(), "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK, "cannot read db.mdb");
    Require(SingleText(source.get(), "SELECT count(*) FROM sqlite_master") != "", "cannot read db.mdb");
    const auto target = folder / name;
    const std::filesystem::path part = target.string() + ".part";
    files::RemoveFile(part);
    if (!CopyAndFlush(source.get(), part) || !files::RenameFile(part, target)) {
        files::RemoveFile(part);
        throw DataError("cannot write the copy of db.mdb");
    }
    Require(files::SyncFolder(folder), "cannot flush the folder");
}

void RecoverInterruptedCompaction(const std::filesystem::path& folder) {
    const auto database = folder / kRegisterFile;
    const auto compacted = folder / kCompactedFile;
    const auto backup = folder / kBackupFile;
    std::error_code ec;
    const bool leftovers = std::filesystem::exists(backup, ec) || std::filesystem::exists(compacted, ec) ||
                           std::filesystem::exists(backup.string() + ".part", ec);
    if (!leftovers) return;  // nothing to finish: db.mdb is not even opened
    // An Access db.mdb from the Windows version is no damaged register: it is converted, never replaced.
    if (LooksLikeJetFile(database)) return;
    const DatabaseCondition condition = ConditionOf(database);
    // A register in use by another process (a compaction running there, say) is left alone.
    if (condition == DatabaseCondition::kBusy) return;
    files::RemoveFile(backup.string() + ".part");
    if (condition == DatabaseCondition::kDamaged && std::filesystem::exists(backup, ec) && DatabaseIntact(backup)) {
        // db.mdb is lost or damaged: the backup takes its place, by rename, never by a
        // copy over an intact file. A journal of the lost file must not touch the backup.
        for (const char* suffix : {"-journal", "-wal", "-shm"}) files::RemoveFile(database.string() + suffix);
        if (files::RenameFile(backup, database)) files::SyncFolder(folder);
        return;
    }
    if (condition == DatabaseCondition::kIntact) {
        RemoveDatabaseFiles(compacted);
        files::RemoveFile(backup);
        files::SyncFolder(folder);
    }
}

}  // namespace sitora::data
