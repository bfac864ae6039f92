#include "data/engine/server/server_connection.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <charconv>
#include <chrono>
#include <utility>

#include "data/date_cells.h"
#include "data/catalogue/columns.h"
#include "data/register_place.h"
#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"

namespace sitora::data {

struct ServerConnection::Result {
    PGresult* handle;
    explicit Result(PGresult* result) : handle(result) {}
    Result(Result&& other) noexcept : handle(std::exchange(other.handle, nullptr)) {}
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    ~Result() { PQclear(handle); }
};

namespace {

constexpr unsigned kByteaOid = 17;
constexpr std::string_view kUniqueViolation = "23505";

// What every session needs, also after a reconnect: text in UTF-8, dates as 'YYYY-MM-DD',
// bytes in hex.
constexpr const char* kSessionSettings =
    "SET client_encoding='UTF8'; SET datestyle='ISO, YMD'; SET bytea_output='hex'; "
    "SET standard_conforming_strings=on";

// The first line of a libpq message: its continuation lines, carets and hints are for a
// terminal session, not for one line on standard error.
std::string FirstLine(std::string_view message) {
    message = message.substr(0, message.find('\n'));
    while (!message.empty() && (message.back() == ' ' || message.back() == '\r')) message.remove_suffix(1);
    return std::string(message);
}

std::string ConnectionMessage(const pg_conn* connection) {
    return FirstLine(connection ? PQerrorMessage(connection) : "out of memory");
}

DataError LostConnection(const pg_conn* connection) {
    return DataError("lost the connection to the register's server: " + ConnectionMessage(connection));
}

// A bytea cell as the server writes it ("\x0a1b...") as its bytes.
std::string_view ByteaCell(const char* text, std::string& buffer) {
    std::size_t length = 0;
    unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &length);
    if (!bytes) throw DataError("out of memory reading bytes from the server");
    buffer.assign(reinterpret_cast<const char*>(bytes), length);
    PQfreemem(bytes);
    return buffer;
}

// The column a unique index of the register covers, from the index's name.
std::string DuplicatedColumn(const PGresult* result) {
    const char* constraint = PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME);
    const std::string_view name = constraint ? constraint : "";
    if (name.find("web_id") != std::string_view::npos) return "web_id";
    if (name.find("web_address") != std::string_view::npos) return "web_address";
    return std::string(name);
}

// Parameters as libpq takes them. Dates and numbers go as text (the server reads
// 'YYYY-MM-DD'); text and bytes go as they are, with their lengths, so that no byte is cut at a
// NUL or changed on the way.
struct WireParameters {
    std::vector<std::string> texts;
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;

    explicit WireParameters(const std::vector<ServerParameter>& parameters) {
        texts.reserve(parameters.size());  // the values point into it: it must not move
        for (const ServerParameter& parameter : parameters) {
            const bool as_text = parameter.kind == ValueKind::kDate || parameter.kind == ValueKind::kNumber;
            values.push_back(as_text ? texts.emplace_back(parameter.bytes).c_str() : parameter.bytes.data());
            lengths.push_back(static_cast<int>(parameter.bytes.size()));
            formats.push_back(as_text ? 0 : 1);
        }
    }
    WireParameters(const WireParameters&) = delete;  // the values point into this one
    WireParameters& operator=(const WireParameters&) = delete;
    int Count() const { return static_cast<int>(values.size()); }
};

// A failed result's message, or the connection's when the result has none.
std::string FailureMessage(const PGresult* result, const pg_conn* connection) {
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    std::string message = FirstLine(primary ? primary : result ? PQresultErrorMessage(result) : "");
    return message.empty() ? ConnectionMessage(connection) : message;
}

// A statement's failure as the data layer reports it: a unique index's refusal names its column.
[[noreturn]] void ThrowFailure(const PGresult* result, const pg_conn* connection) {
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    if (state && state == kUniqueViolation) throw DuplicateValue(DuplicatedColumn(result));
    throw DataError(FailureMessage(result, connection));
}

constexpr int kBatchRows = 500;  // answers awaited at once: a few kilobytes, no buffer fills

// How long an answer may take before the server counts as gone. The server's own limits
// (statement_timeout, lock_timeout, set for every session unless the URI sets its own) end a
// slow statement first, with the server's message; this one ends the wait for a server that
// answers nothing at all (a stopped backend, a host gone from the network).
constexpr int kAnswerTimeoutMs = 30000;
constexpr const char* kServerLimits = "-c statement_timeout=25s -c lock_timeout=20s";

// Warnings (a VACUUM skipped for want of ownership) are kept for the caller, never printed.
void KeepWarning(void* warnings, const PGresult* result) {
    const char* severity = PQresultErrorField(result, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (severity && std::string_view(severity) == "WARNING")
        static_cast<std::vector<std::string>*>(warnings)->push_back(FailureMessage(result, nullptr));
}

}  // namespace

void CheckServerUri(const std::string& uri, const std::string& where) {
    if (uri.rfind("postgresql://", 0) != 0 && uri.rfind("postgres://", 0) != 0)
        throw DataError(where + ": not a postgresql:// connection URI");
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (!options) {
        std::string message = error ? error : "not a connection URI";
        PQfreemem(error);
        throw DataError(where + ": " + message);
    }
    bool has_password = false;
    for (PQconninfoOption* option = options; option->keyword; ++option)
        if (std::string_view(option->keyword) == "password" && option->val && *option->val) has_password = true;
    PQconninfoFree(options);
    if (has_password)
        throw DataError(where + ": a URI with a password; keep that in ~/.pgpass or PGPASSFILE");
}

namespace {

// The password file libpq would read: PGPASSFILE, else ~/.pgpass. One that others can read is
// ignored by libpq with a warning of its own on standard error; here it is named in the one line
// of the failure instead, and libpq is pointed at no file so that it says nothing.
std::optional<std::string> PasswordFileOthersCanRead() {
    std::string path;
    if (const char* named = std::getenv("PGPASSFILE"); named && *named)
        path = named;
    else if (const char* home = std::getenv("HOME"); home && *home)
        path = std::string(home) + "/.pgpass";
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || (status.st_mode & 077) == 0)
        return std::nullopt;
    return path;
}

}  // namespace

ServerConnection::ServerConnection(std::string uri) : uri_(std::move(uri)) {
    // A server that does not answer must not hold the window for minutes: 10 s, unless the URI
    // says otherwise (its settings come last and win).
    // Keepalives and the TCP timeout notice a host gone from the network.
    const auto exposed_password_file = PasswordFileOthersCanRead();
    const char* const keywords[] = {"connect_timeout", "fallback_application_name", "options",
                                    "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
                                    "tcp_user_timeout", "passfile", "dbname", nullptr};
    const char* const values[] = {"10",    "sitora", kServerLimits, "1",
                                  "10",    "5",      "3",           "30000",
                                  exposed_password_file ? "/nonexistent/.pgpass" : nullptr, uri_.c_str(), nullptr};
    connection_ = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(connection_) != CONNECTION_OK) {
        std::string message = ConnectionMessage(connection_);
        if (exposed_password_file)
            message += " (" + *exposed_password_file + " was not read: others can read it; chmod 600 it)";
        PQfinish(connection_);
        connection_ = nullptr;
        throw DataError("cannot connect to the register's server: " + message);
    }
    PQsetNoticeReceiver(connection_, &KeepWarning, &warnings_);
    try {
        Run(kSessionSettings);
        if (Value("SHOW server_encoding") != "UTF8")
            throw DataError("the register's database does not hold its text in UTF8");
    } catch (...) {
        PQfinish(connection_);
        connection_ = nullptr;
        throw;
    }
}

ServerConnection::~ServerConnection() {
    if (connection_) PQfinish(connection_);
}

const std::string& ServerConnection::PreparedName(const std::string& sql, int parameters) {
    auto found = prepared_.find(sql);
    if (found != prepared_.end()) return found->second;
    std::string name = "s" + std::to_string(++statements_prepared_);
    if (PQsendPrepare(connection_, name.c_str(), sql.c_str(), parameters, nullptr) != 1) throw Lost();
    Result result = Exchange();
    if (PQresultStatus(result.handle) != PGRES_COMMAND_OK) {
        if (PQstatus(connection_) != CONNECTION_OK) throw Lost();
        throw DataError(FailureMessage(result.handle, connection_));
    }
    return prepared_.emplace(sql, std::move(name)).first->second;
}

void ServerConnection::ReconnectWhenLost() {
    if (PQstatus(connection_) == CONNECTION_OK) return;
    if (batching_) PQexitPipelineMode(connection_);
    in_transaction_ = false;
    batching_ = false;
    prepared_.clear();  // they went with the old session
    PQreset(connection_);
    if (PQstatus(connection_) != CONNECTION_OK)
        throw DataError("cannot connect to the register's server: " + ConnectionMessage(connection_));
    Run(kSessionSettings);
}

ServerConnection::Result ServerConnection::Call(const std::string& sql, const std::vector<ServerParameter>& parameters) {
    // The statement goes as a C string: a NUL would end it early.
    if (sql.find('\0') != std::string::npos) throw DataError("a statement with a NUL byte");
    EndBatch();  // a statement that waits for its answer ends a batch
    ReconnectWhenLost();
    warnings_.clear();
    const WireParameters wire(parameters);
    const int count = wire.Count();
    const int sent = count == 0 ? PQsendQueryParams(connection_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)
                                : PQsendQueryPrepared(connection_, PreparedName(sql, count).c_str(), count,
                                                      wire.values.data(), wire.lengths.data(), wire.formats.data(), 0);
    if (sent != 1) throw Lost();
    Result result = Exchange();
    const ExecStatusType status = PQresultStatus(result.handle);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN) return result;
    if (PQstatus(connection_) != CONNECTION_OK) throw Lost();
    ThrowFailure(result.handle, connection_);
}

std::unique_ptr<ResultSet> ServerConnection::Select(const std::string& sql,
                                                    const std::vector<ServerParameter>& parameters, bool first_is_id,
                                                    std::size_t reserve) {
    Result result = Call(sql, parameters);
    const int first = first_is_id ? 1 : 0;
    const int columns = PQnfields(result.handle);
    std::vector<std::string> names;
    std::vector<char> kinds;  // 'd' date, 'b' bytes, 't' as it stands
    for (int c = first; c < columns; ++c) {
        names.emplace_back(PQfname(result.handle, c));
        kinds.push_back(PQftype(result.handle, c) == kByteaOid ? 'b' : IsDateColumn(names.back()) ? 'd' : 't');
    }
    auto rows = std::make_unique<ResultSet>(std::move(names));
    const int count = PQntuples(result.handle);
    rows->Reserve(std::max(reserve, static_cast<std::size_t>(count)));
    std::string buffer;
    for (int r = 0; r < count; ++r) {
        std::int64_t id = r;
        if (first_is_id) {
            const char* text = PQgetvalue(result.handle, r, 0);
            std::from_chars(text, text + PQgetlength(result.handle, r, 0), id);
        }
        rows->BeginRow(id);
        for (int c = first; c < columns; ++c) {
            if (PQgetisnull(result.handle, r, c)) {
                rows->AppendCell(std::nullopt);
                continue;
            }
            const std::string_view cell(PQgetvalue(result.handle, r, c),
                                        static_cast<std::size_t>(PQgetlength(result.handle, r, c)));
            const char kind = kinds[static_cast<std::size_t>(c - first)];
            rows->AppendCell(kind == 'b'   ? ByteaCell(cell.data(), buffer)
                             : kind == 'd' ? ShownDate(cell, buffer)
                                           : cell);
        }
    }
    return rows;
}

int ServerConnection::Execute(const std::string& sql, const std::vector<ServerParameter>& parameters) {
    if (batching_) {
        Send(sql, parameters);
        if (++unanswered_ >= kBatchRows) AwaitBatch();
        return 1;
    }
    Result result = Call(sql, parameters);
    const char* changed = PQcmdTuples(result.handle);
    int count = 0;
    if (changed) std::from_chars(changed, changed + std::char_traits<char>::length(changed), count);
    return count;
}

void ServerConnection::Run(const std::string& sql) {
    if (sql.find('\0') != std::string::npos) throw DataError("a statement with a NUL byte");
    EndBatch();
    ReconnectWhenLost();
    warnings_.clear();
    // Several statements in one text need the simple protocol.
    if (PQsendQuery(connection_, sql.c_str()) != 1) throw Lost();
    Result result = Exchange();
    const ExecStatusType status = PQresultStatus(result.handle);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
    if (PQstatus(connection_) != CONNECTION_OK) throw Lost();
    throw DataError(FailureMessage(result.handle, connection_));
}

std::optional<std::string> ServerConnection::Value(const std::string& sql) {
    Result result = Call(sql, {});
    if (PQntuples(result.handle) == 0 || PQnfields(result.handle) == 0 || PQgetisnull(result.handle, 0, 0))
        return std::nullopt;
    return std::string(PQgetvalue(result.handle, 0, 0), static_cast<std::size_t>(PQgetlength(result.handle, 0, 0)));
}

void ServerConnection::CopyIn(const std::string& sql, std::string_view data) {
    BeginCopy(sql);
    try {
        PutCopyData(data);
        EndCopy();
    } catch (...) {
        AbandonCopy();
        throw;
    }
}

void ServerConnection::BeginCopy(const std::string& sql) {
    Result started = Call(sql, {});
    if (PQresultStatus(started.handle) != PGRES_COPY_IN) throw DataError("the server did not take the copy");
    copying_ = true;
}

void ServerConnection::PutCopyData(std::string_view data) {
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t at = 0; at < data.size(); at += kChunk) {
        const std::string_view chunk = data.substr(at, kChunk);
        if (PQputCopyData(connection_, chunk.data(), static_cast<int>(chunk.size())) != 1)
            throw DataError(ConnectionMessage(connection_));
    }
}

void ServerConnection::EndCopy() {
    copying_ = false;
    if (PQputCopyEnd(connection_, nullptr) != 1) throw DataError(ConnectionMessage(connection_));
    Result result = Exchange();
    if (PQresultStatus(result.handle) != PGRES_COMMAND_OK) {
        if (PQstatus(connection_) != CONNECTION_OK) throw Lost();
        ThrowFailure(result.handle, connection_);
    }
}

void ServerConnection::AbandonCopy() {
    if (!copying_) return;
    copying_ = false;
    try {
        if (PQputCopyEnd(connection_, "the import was abandoned") == 1) Exchange();
    } catch (const DataError&) {
    }
}

void ServerConnection::BeginBatch() {
    if (!in_transaction_) throw DataError("a batch needs a transaction");
    if (PQenterPipelineMode(connection_) != 1) throw DataError(ConnectionMessage(connection_));
    batching_ = true;
    unanswered_ = 0;
}

void ServerConnection::Send(const std::string& sql, const std::vector<ServerParameter>& parameters) {
    if (sql.find('\0') != std::string::npos) throw DataError("a statement with a NUL byte");
    const WireParameters wire(parameters);
    // The statement is prepared once, in the same stream as its runs.
    const int count = wire.Count();
    auto name = prepared_.find(sql);
    if (name == prepared_.end()) {
        name = prepared_.emplace(sql, "s" + std::to_string(++statements_prepared_)).first;
        if (PQsendPrepare(connection_, name->second.c_str(), sql.c_str(), count, nullptr) != 1)
            throw Lost();
    }
    if (PQsendQueryPrepared(connection_, name->second.c_str(), count, wire.values.data(), wire.lengths.data(),
                            wire.formats.data(), 0) != 1)
        throw Lost();
}

void ServerConnection::AwaitBatch() {
    unanswered_ = 0;
    if (PQpipelineSync(connection_) != 1) throw Lost();
    std::optional<Result> failure;
    for (;;) {
        PGresult* handle = NextResult();
        // Between the answers of two statements libpq gives one NULL; a second means nothing
        // more will come: the connection is gone.
        if (!handle && !(handle = NextResult())) throw Lost();
        Result result{handle};
        const ExecStatusType status = PQresultStatus(handle);
        if (status == PGRES_PIPELINE_SYNC) break;
        if (status == PGRES_FATAL_ERROR && !failure) failure.emplace(std::move(result));
    }
    if (PQstatus(connection_) != CONNECTION_OK) throw Lost();
    if (failure) {
        // A statement prepared in this batch may have failed with it: prepare anew, under new
        // names, next time.
        prepared_.clear();
        ThrowFailure(failure->handle, connection_);
    }
}

PGresult* ServerConnection::NextResult() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    while (PQisBusy(connection_)) {
        const int socket = PQsocket(connection_);
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (socket < 0) return nullptr;
        if (left.count() <= 0) {
            // The session is given up; the next command connects anew.
            Abandon();
            throw DataError("the register's server did not answer within " + std::to_string(kAnswerTimeoutMs / 1000) +
                            " s");
        }
        pollfd wait{socket, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) return PQgetResult(connection_);
        if (ready > 0 && PQconsumeInput(connection_) != 1) break;
    }
    return PQgetResult(connection_);
}

ServerConnection::Result ServerConnection::Exchange() {
    // As PQexec: the last result, or the first failure; a copy hands over at once.
    std::optional<Result> kept;
    while (PGresult* handle = NextResult()) {
        Result result{handle};
        const ExecStatusType status = PQresultStatus(handle);
        if (status == PGRES_COPY_IN) return result;
        const bool failed = status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
        if (!kept || (failed && PQresultStatus(kept->handle) != PGRES_FATAL_ERROR)) kept.emplace(std::move(result));
    }
    if (!kept) throw Lost();
    return std::move(*kept);
}

void ServerConnection::Abandon() {
    // The old socket is dropped without a goodbye that could block in turn; PQreset at the
    // next command opens a new one.
    in_transaction_ = false;
    batching_ = false;
    prepared_.clear();
    const int socket = PQsocket(connection_);
    if (socket >= 0) shutdown(socket, SHUT_RDWR);
    PQconsumeInput(connection_);
}

DataError ServerConnection::Lost() {
    in_transaction_ = false;
    return LostConnection(connection_);
}

void ServerConnection::EndBatch() {
    if (!batching_) return;
    try {
        AwaitBatch();
    } catch (...) {
        batching_ = false;
        PQexitPipelineMode(connection_);
        throw;
    }
    batching_ = false;
    if (PQexitPipelineMode(connection_) != 1) throw DataError(ConnectionMessage(connection_));
}

void ServerConnection::BeginTransaction() {
    Run("BEGIN");
    in_transaction_ = true;
}

void ServerConnection::CommitTransaction() {
    in_transaction_ = false;
    Run("COMMIT");
}

void ServerConnection::RollbackTransaction() {
    AbandonCopy();
    if (batching_) {
        try {
            EndBatch();
        } catch (const DataError&) {
        }
    }
    if (!in_transaction_) return;
    in_transaction_ = false;
    if (PQstatus(connection_) != CONNECTION_OK) return;
    try {
        if (PQsendQuery(connection_, "ROLLBACK") == 1) Exchange();
    } catch (const DataError&) {
    }
}

}  // namespace sitora::data
