#pragma once
// The one seam between the register's users and the engine that keeps it: the SQLite file
// db.mdb, or a team's register on a PostgreSQL server. A TADOConnection holds one engine and
// its queries talk to it; nothing outside the engines asks which one runs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "data/record_entry.h"
#include "data/result_set.h"

namespace sitora::data {

enum class TransactionKind { kReading, kWriting };

// A statement's parameter value by the marker's name (without the colon); throws DataError when
// none is set.
using ParameterLookup = std::function<const std::string&(std::string_view name)>;

// Many new records going in inside a transaction (an import).
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void Add(StoredRecord record) = 0;  // throws DataError
    virtual void Finish() = 0;                  // what is still queued goes in; throws DataError
};

class Engine {
public:
    virtual ~Engine() = default;

    // Checks that the register has its tables; brings its indexes and stored dates up to date.
    // Throws DataError.
    virtual void PrepareRegister() = 0;

    // A select, in the catalogue's words, with its rows. When every row is a row of one table,
    // `table` is set to that table and each row carries its identity for DeleteRow; otherwise
    // it is left empty.
    virtual std::unique_ptr<ResultSet> Select(const std::string& statement, const ParameterLookup& parameters,
                                              std::size_t rows_expected, std::string& table) = 0;
    // An insert, update or delete; the number of rows it changed.
    virtual int Execute(const std::string& statement, const ParameterLookup& parameters) = 0;
    // Deletes one row a select returned; throws DataError when it is gone.
    virtual void DeleteRow(const std::string& table, std::int64_t row_id) = 0;

    // A writing transaction takes the write lock at once, so that what it reads first still
    // holds when it writes; a reading one sees one state of the register and blocks no writer.
    virtual void Begin(TransactionKind kind) = 0;
    virtual void Commit() = 0;
    virtual void Rollback() noexcept = 0;

    // Inside a writing transaction: `rows` new records at most, into a register of
    // `records_before`.
    virtual std::unique_ptr<RecordSink> OpenRecordSink(std::size_t rows, std::size_t records_before) = 0;

    // The register key as stored, wrapped under the data key (protect/register_key.h); nothing
    // while the register has none. Throws DataError.
    virtual std::optional<std::string> ReadWrappedKey() = 0;
    // Stores the register's first key (false, storing nothing, when another process stored one
    // first: read that one), or with `replace` the same key wrapped anew. Throws DataError.
    virtual bool StoreWrappedKey(const std::string& wrapped, bool replace) = 0;

    // Whether any account of the register is in the sealed form, which only its key opens.
    // Throws DataError.
    virtual bool HoldsSealedValue() = 0;

    // Between statements outside a transaction: a register file another process put in the
    // place of the one opened (a compaction from cron) is opened instead.
    virtual void FollowReplacedFile() {}
};

// Creates a new register where a connection string points: a register file, which must not
// exist yet, or the two tables on a server database that holds neither. A server register may
// start as the verified copy of a register file `source`. Returns the records copied. Throws
// DataError; then nothing was created.
int CreateRegister(const std::string& connection_string, const std::optional<std::filesystem::path>& source = {});

// Opens the register a connection string names: "Provider=PostgreSQL;Data Source=URI" a server
// register, any other a register file. Throws DataError.
std::unique_ptr<Engine> OpenEngine(const std::string& connection_string);

}  // namespace sitora::data
