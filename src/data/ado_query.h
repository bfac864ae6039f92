#pragma once
// A query on the shared connection, run the way every window runs its statements:
// close, set the statement, set named parameters as text, then open or execute.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/result_set.h"

namespace sitora::data {

class TADOConnection;

class TADOQuery {
public:
    explicit TADOQuery(TADOConnection& connection);
    ~TADOQuery();
    TADOQuery(const TADOQuery&) = delete;
    TADOQuery& operator=(const TADOQuery&) = delete;

    // Drops the result set; the statement and parameters stay.
    void Close();
    bool Active() const { return rows_ != nullptr; }
    // Called whenever an open result set is dropped (a grid that shows it must let go of its
    // rows); one observer, or none.
    void SetCloseObserver(std::function<void()> observer) { close_observer_ = std::move(observer); }

    // Replaces the statement and forgets the parameters of the previous one.
    void SetSQL(std::string_view statement);  // forgets the last result's size when it changes
    // Closes the query for the same statement with new values: the parameters are set again,
    // mostly in the same order, and each finds its place at once.
    void ResetForNewValues() { Close(); next_parameter_ = 0; }
    const std::string& SQL() const { return statement_; }

    // A parameter's value, given as text (bytes for a protected column). The name is the
    // column's name, without the colon.
    void SetParameter(std::string_view name, std::string value);

    // Runs a select and keeps all its rows; the first row becomes current.
    void Open();
    // Runs an insert, update or delete; returns the number of rows it changed.
    int ExecSQL();

    // --- the open result set ---
    int RecordCount() const;
    int FieldCount() const;
    std::string FieldName(int column) const;
    FieldValue Field(int column) const;                 // current row, by position
    FieldValue FieldByName(std::string_view name) const;  // current row, by name
    FieldValue Value(int row, int column) const;        // any row, by position

    int RecNo() const { return current_; }  // 0-based current row
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    void First();
    void Last();
    void Next();
    void Prior();
    void MoveBy(int distance);
    void MoveTo(int row);

    Bookmark GetBookmark() const;
    void GotoBookmark(Bookmark bookmark);  // throws DataError when the row is gone
    bool BookmarkValid(Bookmark bookmark) const;

    // Moves to the first row, from the top, whose column satisfies `matches`.
    // Returns false, leaving the current row, when none does.
    bool Locate(std::string_view column, const std::function<bool(FieldValue)>& matches);

    // Deletes the table row behind the current row; the next row becomes current.
    void Delete();

    const ResultSet& Rows() const;

private:
    friend class TADOConnection;
    const ResultSet& OpenRows() const;  // throws DataError when the query is closed
    // The value last set for a parameter; throws DataError when none is.
    const std::string& ValueOf(std::string_view name) const;

    TADOConnection* connection_;
    std::string statement_;
    std::vector<std::pair<std::string, std::string>> parameters_;
    std::size_t next_parameter_ = 0;  // where the next SetParameter looks first
    mutable std::size_t next_lookup_ = 0;  // where the engine's next look-up of a value looks first
    std::unique_ptr<ResultSet> rows_;
    std::function<void()> close_observer_;
    std::string table_;  // the single table a select reads, for Delete
    // The size of the last result of this statement: the next run of it reserves as much.
    std::size_t last_rows_ = 0;
    int current_ = 0;
    bool eof_ = true;
    bool bof_ = true;
};

}  // namespace sitora::data
