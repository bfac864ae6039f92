#include "data/engine/server/server_engine.h"

#include <strings.h>

#include <vector>

#include "data/data_error.h"
#include "data/engine/server/copy_text.h"
#include "data/catalogue/columns.h"
#include "data/engine/server/server_connection.h"
#include "data/engine/server/server_register.h"
#include "data/single_table_select.h"
#include "data/statement_translation.h"

namespace sitora::data {
namespace {

// The values of a server statement's parameters, by their names; the stored forms of dates in
// `dates`, which must not move while the values point into it.
std::vector<ServerParameter> ValuesOf(const std::vector<std::string>& markers, const ParameterLookup& parameters,
                                      std::vector<std::string>& dates) {
    std::vector<ServerParameter> values;
    values.reserve(markers.size());
    dates.reserve(markers.size());
    for (const std::string& name : markers) {
        const std::string& value = parameters(name);
        const ValueKind kind = KindOf(name);
        values.push_back(
            {kind == ValueKind::kDate ? std::string_view(dates.emplace_back(StoredDateOf(value))) : value, kind});
    }
    return values;
}

// An import's records through one COPY in PostgreSQL's text format inside the import's
// transaction, sent a few hundred kilobytes at a time while the next rows are still being
// checked: the server takes them as it takes psql's \copy.
class ServerRecordSink : public RecordSink {
public:
    explicit ServerRecordSink(ServerConnection& server) : server_(server) {
        std::string sql = "COPY t_webinfo(";
        for (std::size_t c = 0; c < kRecordColumns.size(); ++c) (sql += c ? "," : "") += kRecordColumns[c];
        server_.BeginCopy(sql + ") FROM STDIN");
    }
    ~ServerRecordSink() override { server_.AbandonCopy(); }  // refused rows: nothing of it stays
    void Add(StoredRecord record) override {
        const auto& kinds = RecordColumnKinds();
        for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
            if (c) rows_ += '\t';
            AppendCopyCell(record.Value(c), kinds[c] == ValueKind::kProtected, rows_);
        }
        rows_ += '\n';
        if (rows_.size() >= kRowsBytes) Send();
    }
    void Finish() override {
        Send();
        server_.EndCopy();
    }

private:
    static constexpr std::size_t kRowsBytes = 256 << 10;
    void Send() {
        server_.PutCopyData(rows_);
        rows_.clear();
    }

    ServerConnection& server_;
    std::string rows_;
};

class ServerEngine : public Engine {
public:
    explicit ServerEngine(const std::string& uri) : server_(uri) {}

    void PrepareRegister() override { RequireServerRegister(server_); }

    std::optional<std::string> ReadWrappedKey() override { return ReadServerWrappedKey(server_); }
    bool StoreWrappedKey(const std::string& wrapped, bool replace) override {
        return StoreServerWrappedKey(server_, wrapped, replace);
    }

    bool HoldsSealedValue() override {
        return server_
            .Value("select 1 from t_webinfo where substring(web_user from 1 for 1)='\\xc1'::bytea or "
                   "substring(web_pass from 1 for 1)='\\xc1'::bytea or substring(web_domainuser from 1 for 1)='\\xc1'::bytea "
                   "or substring(web_domainpass from 1 for 1)='\\xc1'::bytea or substring(web_dbname from 1 for 1)='\\xc1'::bytea "
                   "or substring(web_dbip from 1 for 1)='\\xc1'::bytea or substring(web_dbuser from 1 for 1)='\\xc1'::bytea "
                   "or substring(web_dbpass from 1 for 1)='\\xc1'::bytea limit 1")
            .has_value();
    }

    std::unique_ptr<ResultSet> Select(const std::string& statement, const ParameterLookup& parameters,
                                      std::size_t rows_expected, std::string& table) override {
        ServerStatement translated = TranslateForServer(statement);
        table.clear();
        // The list's rows carry their identity, so that they can be deleted later.
        if (auto select = ParseSingleTableSelect(translated.sql);
            select && strcasecmp(select->table.c_str(), "t_webinfo") == 0 && !select->computes) {
            translated.sql = "select id," + translated.sql.substr(select->columns_begin);
            table = std::move(select->table);
        }
        std::vector<std::string> dates;
        return server_.Select(translated.sql, ValuesOf(translated.markers, parameters, dates), !table.empty(),
                              rows_expected);
    }

    int Execute(const std::string& statement, const ParameterLookup& parameters) override {
        const ServerStatement translated = TranslateForServer(statement);
        std::vector<std::string> dates;
        return server_.Execute(translated.sql, ValuesOf(translated.markers, parameters, dates));
    }

    void DeleteRow(const std::string&, std::int64_t row_id) override {
        const std::string id = std::to_string(row_id);
        if (server_.Execute("delete from t_webinfo where id=$1::bigint", {{id, ValueKind::kNumber}}) != 1)
            throw DataError("the row to delete is gone");
    }

    void Begin(TransactionKind kind) override {
        server_.BeginTransaction();
        if (kind == TransactionKind::kReading) return;
        // Other writers wait until the commit; readers go on seeing the rows as they were.
        try {
            server_.Run("LOCK TABLE t_webinfo IN SHARE ROW EXCLUSIVE MODE");
        } catch (...) {
            server_.RollbackTransaction();
            throw;
        }
    }
    void Commit() override { server_.CommitTransaction(); }
    void Rollback() noexcept override { server_.RollbackTransaction(); }

    std::unique_ptr<RecordSink> OpenRecordSink(std::size_t, std::size_t) override {
        return std::make_unique<ServerRecordSink>(server_);
    }

private:
    ServerConnection server_;
};

}  // namespace

std::unique_ptr<Engine> OpenServerEngine(const std::string& uri) { return std::make_unique<ServerEngine>(uri); }

}  // namespace sitora::data
