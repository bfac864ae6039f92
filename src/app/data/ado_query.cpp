#include "app/data/ado_query.h"

#include <sqlite3.h>
#include <strings.h>


#include "app/data/ado_connection.h"
#include "app/data/bulk_insert.h"
#include "app/data/data_error.h"
#include "app/data/date_cells.h"
#include "app/data/schema.h"
#include "app/data/server_connection.h"
#include "app/data/statement_translation.h"
#include "app/files/failure_points.h"
#include "app/text/dates.h"

namespace sitora::data {

struct TADOQuery::Statement {
    sqlite3_stmt* handle = nullptr;
    // Per marker, the parameter that gave it its value last time: the same statement run again
    // with its parameters set in the same order finds each at once.
    std::vector<std::size_t> parameter_of;
    std::vector<std::string> marker_names;  // without the colon
    std::vector<char> marker_kinds;          // ValueKind of each
    ~Statement() { sqlite3_finalize(handle); }
};

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool KeywordAt(std::string_view sql, std::size_t pos, std::string_view keyword) {
    return pos + keyword.size() <= sql.size() &&
           strncasecmp(sql.data() + pos, keyword.data(), keyword.size()) == 0 &&
           (pos == 0 || !IsWordChar(sql[pos - 1])) &&
           (pos + keyword.size() == sql.size() || !IsWordChar(sql[pos + keyword.size()]));
}

// "select <columns> from <table> [where ...]": where the columns begin and the table's name.
// The lists do not select the row's identity; such a select gets it as a hidden first
// column so that its rows can be deleted later.
struct SingleTableSelect {
    std::size_t columns_begin = 0;
    std::string table;
    bool computes = false;  // its columns call functions (count(*), ...): no row is a table row
};

std::optional<SingleTableSelect> ParseSingleTableSelect(std::string_view sql) {
    std::size_t pos = 0;
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    if (!KeywordAt(sql, pos, "select")) return std::nullopt;
    SingleTableSelect select;
    select.columns_begin = pos + 6;
    char quote = 0;
    for (pos = select.columns_begin; pos < sql.size(); ++pos) {
        const char c = sql[pos];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (KeywordAt(sql, pos, "from")) {
            break;
        } else if (c == '(') {
            select.computes = true;
        }
    }
    if (pos >= sql.size()) return std::nullopt;
    pos += 4;
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    const std::size_t name_begin = pos;
    while (pos < sql.size() && IsWordChar(sql[pos])) ++pos;
    if (pos == name_begin) return std::nullopt;
    select.table = std::string(sql.substr(name_begin, pos - name_begin));
    while (pos < sql.size() && IsSpace(sql[pos])) ++pos;
    // Joins, groups and the like are no plain table; a where and the table order may follow.
    if (pos < sql.size() && !KeywordAt(sql, pos, "where") && !KeywordAt(sql, pos, "order")) return std::nullopt;
    return select;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace

TADOQuery::TADOQuery(TADOConnection& connection) : connection_(&connection) { connection.Attach(this); }

TADOQuery::~TADOQuery() {
    if (connection_) connection_->Detach(this);
}

void TADOQuery::Close() {
    const bool was_open = Active();
    rows_.reset();
    table_.clear();
    current_ = 0;
    eof_ = bof_ = true;
    if (was_open && close_observer_) close_observer_();
}

void TADOQuery::SetSQL(std::string_view statement) {
    Close();
    if (statement != statement_) last_rows_ = 0;
    statement_ = statement;
    parameters_.clear();
    next_parameter_ = 0;
}

void TADOQuery::SetParameter(std::string_view name, std::string value) {
    // Parameters are mostly set in the same order each time: the one after the last is tried first.
    if (next_parameter_ < parameters_.size() && SameName(parameters_[next_parameter_].first, name)) {
        parameters_[next_parameter_++].second = std::move(value);
        return;
    }
    for (std::size_t p = 0; p < parameters_.size(); ++p)
        if (SameName(parameters_[p].first, name)) {
            parameters_[p].second = std::move(value);
            next_parameter_ = p + 1;
            return;
        }
    parameters_.emplace_back(std::string(name), std::move(value));
    next_parameter_ = parameters_.size();
}

std::unique_ptr<TADOQuery::Statement> TADOQuery::Prepare(std::string_view sql) {
    if (!connection_) throw DataError("the query has no connection");
    sqlite3* db = connection_->Handle();
    auto statement = std::make_unique<Statement>();
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &statement->handle, nullptr) !=
        SQLITE_OK)
        throw DataError(sqlite3_errmsg(db));
    return statement;
}

void TADOQuery::Bind(Statement& statement) {
    const int count = sqlite3_bind_parameter_count(statement.handle);
    if (statement.marker_names.empty()) {
        for (int i = 1; i <= count; ++i) {
            const char* marker = sqlite3_bind_parameter_name(statement.handle, i);
            if (!marker) throw DataError("unnamed parameter in statement");
            statement.marker_names.emplace_back(marker + 1);
            const std::string_view name = statement.marker_names.back();
            statement.marker_kinds.push_back(ValueKind(name));
        }
        statement.parameter_of.assign(static_cast<std::size_t>(count), 0);
    }
    for (int i = 1; i <= count; ++i) {
        const std::string_view name = statement.marker_names[static_cast<std::size_t>(i - 1)];
        std::size_t& hint = statement.parameter_of[static_cast<std::size_t>(i - 1)];
        if (hint >= parameters_.size() || !SameName(parameters_[hint].first, name)) hint = LastParameterNamed(name);
        const std::string* value = hint < parameters_.size() ? &parameters_[hint].second : &ValueOf(name);
        const char kind = statement.marker_kinds[static_cast<std::size_t>(i - 1)];
        std::string iso;
        const std::string_view stored = kind == 'd' ? std::string_view(iso = DateParameter(*value)) : *value;
        if (const int rc = BindStoredValue(statement.handle, i, kind, stored, SQLITE_TRANSIENT); rc != SQLITE_OK)
            throw DataError(sqlite3_errstr(rc));
    }
}

void TADOQuery::Open() {
    Close();
    if (ServerConnection* server = connection_ ? connection_->Server() : nullptr) return OpenOnServer(*server);
    const std::string sql = TranslateStatement(statement_);
    std::string table;
    std::unique_ptr<Statement> statement;
    if (auto select = ParseSingleTableSelect(sql)) {
        try {
            statement = Prepare("select rowid," + sql.substr(select->columns_begin));
            table = std::move(select->table);
        } catch (const DataError&) {
            statement.reset();  // not a plain table (a view, say): read it without identities
        }
    }
    if (!statement) statement = Prepare(sql);
    Bind(*statement);

    sqlite3_stmt* handle = statement->handle;
    const int first = table.empty() ? 0 : 1;
    const int columns = sqlite3_column_count(handle);
    std::vector<std::string> names;
    std::vector<bool> is_date;
    for (int c = first; c < columns; ++c) {
        names.emplace_back(sqlite3_column_name(handle, c));
        is_date.push_back(IsDateColumn(names.back()));
    }
    auto rows = std::make_unique<ResultSet>(std::move(names));
    rows->Reserve(last_rows_);
    std::string buffer;
    int rc;
    while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
        rows->BeginRow(first ? sqlite3_column_int64(handle, 0) : rows->RowCount());
        for (int c = first; c < columns; ++c) {
            sqlite3_value* value = sqlite3_column_value(handle, c);
            if (sqlite3_value_type(value) == SQLITE_NULL) {
                rows->AppendCell(std::nullopt);
                continue;
            }
            const void* bytes = sqlite3_value_blob(value);
            std::string_view cell(static_cast<const char*>(bytes), sqlite3_value_bytes(value));
            rows->AppendCell(is_date[c - first] ? ShownDate(cell, buffer) : cell);
        }
    }
    if (rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(sqlite3_db_handle(handle)));
    last_rows_ = static_cast<std::size_t>(rows->RowCount());
    rows_ = std::move(rows);
    table_ = std::move(table);
    First();
}

int TADOQuery::ExecSQL() {
    Close();
    if (ServerConnection* server = connection_ ? connection_->Server() : nullptr) return ExecOnServer(*server);
    // The same insert or update run again (an import's rows) reuses its prepared statement.
    if (!kept_ || kept_sql_ != statement_) {
        kept_.reset();
        kept_ = Prepare(TranslateStatement(statement_));
        kept_sql_ = statement_;
    }
    sqlite3_stmt* handle = kept_->handle;
    sqlite3_reset(handle);
    sqlite3_clear_bindings(handle);
    Bind(*kept_);
    int rc;
    while ((rc = sqlite3_step(handle)) == SQLITE_ROW) {
    }
    sqlite3_reset(handle);
    sqlite3* db = connection_->Handle();
    if (rc != SQLITE_DONE) throw DataError(sqlite3_errmsg(db));
    files::CrashPoint("exec", 1);
    return sqlite3_changes(db);
}

std::size_t TADOQuery::LastParameterNamed(std::string_view name) const {
    for (std::size_t p = parameters_.size(); p-- > 0;)
        if (SameName(parameters_[p].first, name)) return p;
    return parameters_.size();
}

const std::string& TADOQuery::ValueOf(std::string_view name) const {
    const std::size_t p = LastParameterNamed(name);  // the last one set counts
    if (p == parameters_.size()) throw DataError("parameter " + std::string(name) + " has no value");
    return parameters_[p].second;
}

std::vector<ServerParameter> TADOQuery::ServerValues(const std::vector<std::string>& markers,
                                                     std::vector<std::string>& dates) const {
    std::vector<ServerParameter> values;
    values.reserve(markers.size());
    dates.reserve(markers.size());  // the values point into it: it must not move
    for (const std::string& name : markers) {
        const std::string& value = ValueOf(name);
        const char kind = ValueKind(name);
        values.push_back({kind == 'd' ? std::string_view(dates.emplace_back(DateParameter(value))) : value, kind});
    }
    return values;
}

void TADOQuery::OpenOnServer(ServerConnection& server) {
    ServerStatement statement = TranslateForServer(statement_);
    std::string table;
    // The list's rows carry their identity, so that they can be deleted later.
    if (auto select = ParseSingleTableSelect(statement.sql);
        select && SameName(select->table, "t_webinfo") && !select->computes) {
        statement.sql = "select id," + statement.sql.substr(select->columns_begin);
        table = std::move(select->table);
    }
    std::vector<std::string> dates;
    auto rows = server.Select(statement.sql, ServerValues(statement.markers, dates), !table.empty(), last_rows_);
    last_rows_ = static_cast<std::size_t>(rows->RowCount());
    rows_ = std::move(rows);
    table_ = std::move(table);
    First();
}

int TADOQuery::ExecOnServer(ServerConnection& server) {
    const ServerStatement statement = TranslateForServer(statement_);
    std::vector<std::string> dates;
    const int changed = server.Execute(statement.sql, ServerValues(statement.markers, dates));
    files::CrashPoint("exec", 1);
    return changed;
}

void TADOQuery::ForgetPrepared() {
    kept_.reset();
    kept_sql_.clear();
}

const ResultSet& TADOQuery::Open_() const {
    if (!rows_) throw DataError("the query is closed");
    return *rows_;
}

const ResultSet& TADOQuery::Rows() const { return Open_(); }

int TADOQuery::RecordCount() const { return Open_().RowCount(); }
int TADOQuery::FieldCount() const { return Open_().ColumnCount(); }
std::string TADOQuery::FieldName(int column) const { return Open_().ColumnName(column); }

FieldValue TADOQuery::Value(int row, int column) const { return Open_().Value(row, column); }

FieldValue TADOQuery::Field(int column) const {
    if (RecordCount() == 0) throw DataError("the result set has no rows");
    return Open_().Value(current_, column);
}

FieldValue TADOQuery::FieldByName(std::string_view name) const {
    int column = Open_().ColumnIndex(name);
    if (column < 0) throw DataError("no column " + std::string(name));
    return Field(column);
}

void TADOQuery::First() {
    current_ = 0;
    bof_ = true;
    eof_ = Open_().RowCount() == 0;
}

void TADOQuery::Last() {
    current_ = std::max(Open_().RowCount() - 1, 0);
    eof_ = true;
    bof_ = Open_().RowCount() == 0;
}

void TADOQuery::Next() {
    if (current_ + 1 < Open_().RowCount()) {
        ++current_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void TADOQuery::Prior() {
    if (current_ > 0 && Open_().RowCount() > 0) {
        --current_;
        eof_ = false;
    } else {
        bof_ = true;
    }
}

void TADOQuery::MoveBy(int distance) {
    for (; distance > 0 && !eof_; --distance) Next();
    for (; distance < 0 && !bof_; ++distance) Prior();
}

void TADOQuery::MoveTo(int row) {
    if (row < 0 || row >= Open_().RowCount()) throw DataError("no such row");
    current_ = row;
    bof_ = eof_ = false;
}

Bookmark TADOQuery::GetBookmark() const {
    if (RecordCount() == 0) throw DataError("the result set has no rows");
    return Open_().BookmarkOf(current_);
}

bool TADOQuery::BookmarkValid(Bookmark bookmark) const {
    return rows_ && rows_->RowOf(bookmark).has_value();
}

void TADOQuery::GotoBookmark(Bookmark bookmark) {
    auto row = Open_().RowOf(bookmark);
    if (!row) throw DataError("the bookmarked row is gone");
    MoveTo(*row);
}

bool TADOQuery::Locate(std::string_view column, const std::function<bool(FieldValue)>& matches) {
    const ResultSet& rows = Open_();
    int index = rows.ColumnIndex(column);
    if (index < 0) throw DataError("no column " + std::string(column));
    auto row = rows.Find(index, matches);
    if (!row) return false;
    MoveTo(*row);
    return true;
}

void TADOQuery::Delete() {
    const ResultSet& rows = Open_();
    if (rows.RowCount() == 0) throw DataError("the result set has no rows");
    if (table_.empty()) throw DataError("the rows of this statement cannot be deleted");
    if (ServerConnection* server = connection_->Server()) {
        const std::string id = std::to_string(rows.RowId(current_));
        if (server->Execute("delete from t_webinfo where id=$1::bigint", {{id, 'n'}}) != 1)
            throw DataError("the row to delete is gone");
    } else {
        DeleteFromFile(rows.RowId(current_));
    }
    rows_->EraseRow(current_);
    const int count = rows_->RowCount();
    if (current_ >= count) current_ = std::max(count - 1, 0);
    eof_ = count == 0 || (current_ == count - 1 && eof_);
    bof_ = count == 0;
}

void TADOQuery::DeleteFromFile(std::int64_t row_id) {
    auto statement = Prepare("delete from \"" + table_ + "\" where rowid=?");
    sqlite3_bind_int64(statement->handle, 1, row_id);
    sqlite3* db = connection_->Handle();
    if (sqlite3_step(statement->handle) != SQLITE_DONE) throw DataError(sqlite3_errmsg(db));
    if (sqlite3_changes(db) != 1) throw DataError("the row to delete is gone");
}

}  // namespace sitora::data
