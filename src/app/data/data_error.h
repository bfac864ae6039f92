#pragma once
#include <stdexcept>
#include <string>

namespace sitora::data {

// Every failure of the data layer; the windows catch it and show their own message.
class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A new row refused because another operator already added the same address or number (a
// shared register's unique index); Column() tells which.
class DuplicateValue : public DataError {
public:
    explicit DuplicateValue(std::string column)
        : DataError("the register holds this " + column + " already"), column_(std::move(column)) {}
    const std::string& Column() const { return column_; }

private:
    std::string column_;
};

}  // namespace sitora::data
