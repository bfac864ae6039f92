#pragma once
// A register kept on a PostgreSQL server (a team's shared register): one libpq connection.
// Statements arrive already in the server's words, parameters as $1, $2, ...
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/catalogue/columns.h"
#include "data/data_error.h"
#include "data/register_files.h"
#include "data/result_set.h"

struct pg_conn;
struct pg_result;

namespace sitora::data {



// A parameter's value: the stored form of a date, a whole number, the bytes of a protected
// column or UTF-8 text.
struct ServerParameter {
    std::string_view bytes;
    ValueKind kind;
};

class ServerConnection {
public:
    // Connects and checks the server speaks UTF-8; throws DataError.
    explicit ServerConnection(std::string uri);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // A select's rows; with `first_is_id` its first column is the row's identity, not shown.
    // Date cells arrive as stored ('YYYY-MM-DD'); `date_columns` names them by position.
    std::unique_ptr<ResultSet> Select(const std::string& sql, const std::vector<ServerParameter>& parameters,
                                      bool first_is_id, std::size_t reserve);
    // An insert, update or delete; the number of rows it changed.
    int Execute(const std::string& sql, const std::vector<ServerParameter>& parameters);
    // A statement without parameters or rows (transactions, schema, VACUUM).
    void Run(const std::string& sql);
    // One value of a select without parameters; nothing for NULL or no row.
    std::optional<std::string> Value(const std::string& sql);
    // COPY ... FROM STDIN with `data` in the text format.
    void CopyIn(const std::string& sql, std::string_view data);
    // The same, sent as the data comes: BeginCopy, PutCopyData any number of times, then EndCopy
    // (throws the server's refusal) or AbandonCopy (never throws; the transaction then fails).
    void BeginCopy(const std::string& sql);
    void PutCopyData(std::string_view data);
    void EndCopy();
    void AbandonCopy();

    // Many inserts in one go (an import): until EndBatch, Execute sends each statement without
    // waiting for its answer and counts it as one row; EndBatch waits for every answer and
    // throws the first failure. Only inside a transaction, so that a failure undoes them all.
    void BeginBatch();
    void EndBatch();

    bool InTransaction() const { return in_transaction_; }
    // The warnings of the last statement (a VACUUM that skipped a table it does not own).
    const std::vector<std::string>& Warnings() const { return warnings_; }
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction();  // never throws

private:
    struct Result;
    Result Call(const std::string& sql, const std::vector<ServerParameter>& parameters);
    // The name under which a statement with parameters is prepared in this session. Only the
    // catalogue's fixed statements have parameters, so the names stay few.
    const std::string& PreparedName(const std::string& sql, int parameters);
    void ReconnectWhenLost();
    void Send(const std::string& sql, const std::vector<ServerParameter>& parameters);
    void AwaitBatch();  // every answer sent so far; throws the first failure
    // The next result of what was sent, waited for at most the answer timeout (then the
    // session is abandoned and DataError thrown); nullptr when a statement's results end.
    pg_result* NextResult();
    Result Exchange();  // every result of one statement sent: the last, or the first failure
    void Abandon();
    DataError Lost();  // the lost connection's failure; the transaction went with it

    std::string uri_;
    pg_conn* connection_ = nullptr;
    bool in_transaction_ = false;
    std::unordered_map<std::string, std::string> prepared_;
    unsigned statements_prepared_ = 0;  // names are never used twice in a session
    bool batching_ = false;
    bool copying_ = false;
    int unanswered_ = 0;
    std::vector<std::string> warnings_;
};

}  // namespace sitora::data
