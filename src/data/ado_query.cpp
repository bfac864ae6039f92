#include "data/ado_query.h"

#include <strings.h>

#include "data/ado_connection.h"
#include "data/data_error.h"
#include "base/files/failure_points.h"

namespace sitora::data {

namespace {

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

void TADOQuery::Open() {
    Close();
    if (!connection_) throw DataError("the query has no connection");
    const ParameterLookup parameters = [this](std::string_view name) -> const std::string& { return ValueOf(name); };
    rows_ = connection_->Register().Select(statement_, parameters, last_rows_, table_);
    last_rows_ = static_cast<std::size_t>(rows_->RowCount());
    First();
}

int TADOQuery::ExecSQL() {
    Close();
    if (!connection_) throw DataError("the query has no connection");
    const ParameterLookup parameters = [this](std::string_view name) -> const std::string& { return ValueOf(name); };
    const int changed = connection_->Register().Execute(statement_, parameters);
    files::CrashPoint("exec", 1);
    return changed;
}

const std::string& TADOQuery::ValueOf(std::string_view name) const {
    // The engine asks in the order the parameters were mostly set: the one after the last is
    // tried first.
    if (next_lookup_ >= parameters_.size() || !SameName(parameters_[next_lookup_].first, name)) {
        next_lookup_ = 0;
        while (next_lookup_ < parameters_.size() && !SameName(parameters_[next_lookup_].first, name)) ++next_lookup_;
        if (next_lookup_ == parameters_.size()) throw DataError("parameter " + std::string(name) + " has no value");
    }
    return parameters_[next_lookup_++].second;
}

const ResultSet& TADOQuery::OpenRows() const {
    if (!rows_) throw DataError("the query is closed");
    return *rows_;
}

const ResultSet& TADOQuery::Rows() const { return OpenRows(); }

int TADOQuery::RecordCount() const { return OpenRows().RowCount(); }
int TADOQuery::FieldCount() const { return OpenRows().ColumnCount(); }
std::string TADOQuery::FieldName(int column) const { return OpenRows().ColumnName(column); }

FieldValue TADOQuery::Value(int row, int column) const { return OpenRows().Value(row, column); }

FieldValue TADOQuery::Field(int column) const {
    if (RecordCount() == 0) throw DataError("the result set has no rows");
    return OpenRows().Value(current_, column);
}

FieldValue TADOQuery::FieldByName(std::string_view name) const {
    int column = OpenRows().ColumnIndex(name);
    if (column < 0) throw DataError("no column " + std::string(name));
    return Field(column);
}

void TADOQuery::First() {
    current_ = 0;
    bof_ = true;
    eof_ = OpenRows().RowCount() == 0;
}

void TADOQuery::Last() {
    current_ = std::max(OpenRows().RowCount() - 1, 0);
    eof_ = true;
    bof_ = OpenRows().RowCount() == 0;
}

void TADOQuery::Next() {
    if (current_ + 1 < OpenRows().RowCount()) {
        ++current_;
        bof_ = false;
    } else {
        eof_ = true;
    }
}

void TADOQuery::Prior() {
    if (current_ > 0 && OpenRows().RowCount() > 0) {
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
    if (row < 0 || row >= OpenRows().RowCount()) throw DataError("no such row");
    current_ = row;
    bof_ = eof_ = false;
}

Bookmark TADOQuery::GetBookmark() const {
    if (RecordCount() == 0) throw DataError("the result set has no rows");
    return OpenRows().BookmarkOf(current_);
}

bool TADOQuery::BookmarkValid(Bookmark bookmark) const {
    return rows_ && rows_->RowOf(bookmark).has_value();
}

void TADOQuery::GotoBookmark(Bookmark bookmark) {
    auto row = OpenRows().RowOf(bookmark);
    if (!row) throw DataError("the bookmarked row is gone");
    MoveTo(*row);
}

bool TADOQuery::Locate(std::string_view column, const std::function<bool(FieldValue)>& matches) {
    const ResultSet& rows = OpenRows();
    int index = rows.ColumnIndex(column);
    if (index < 0) throw DataError("no column " + std::string(column));
    auto row = rows.Find(index, matches);
    if (!row) return false;
    MoveTo(*row);
    return true;
}

void TADOQuery::Delete() {
    const ResultSet& rows = OpenRows();
    if (rows.RowCount() == 0) throw DataError("the result set has no rows");
    if (table_.empty()) throw DataError("the rows of this statement cannot be deleted");
    connection_->Register().DeleteRow(table_, rows.RowId(current_));
    rows_->EraseRow(current_);
    const int count = rows_->RowCount();
    if (current_ >= count) current_ = std::max(count - 1, 0);
    eof_ = count == 0 || (current_ == count - 1 && eof_);
    bof_ = count == 0;
}

}  // namespace sitora::data
