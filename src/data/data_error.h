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

// The register holds sealed accounts but its key (t_key) is gone or damaged: nothing is revealed
// and no account is written, and no new key may take its place, which would lock the sealed
// accounts away for good. Restoring t_key from a backup mends it.
class RegisterKeyMissing : public DataError {
public:
    explicit RegisterKeyMissing(bool damaged)
        : DataError(damaged ? "the register's key (table t_key) is damaged: restore t_key from a backup"
                            : "the register holds sealed accounts but its key (table t_key) is missing: restore t_key "
                              "from a backup"),
          damaged_(damaged) {}
    bool Damaged() const { return damaged_; }

private:
    bool damaged_;
};

}  // namespace sitora::data
