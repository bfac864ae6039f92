#pragma once
// Reading the eight account columns of one record. A column in the sealed form opens under the
// register key, bound to its column and the record's address; one in the old form (the Windows
// version's scramble) is read as it always was. The record is refused, as a whole, when its
// domain user fails the key test of its form or any sealed column does not open.
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "protect/secret_bytes.h"

namespace sitora::protect {

// A column's stored bytes by name, nothing for NULL.
using ColumnReader = std::function<std::optional<std::string_view>(std::string_view column)>;

// The revealed values (code page 936 bytes) by column name, in locked memory wiped when dropped.
using RevealedAccounts = std::map<std::string, SecretBytes>;

// A record whose sealed accounts were partly put back in the old form or emptied (NULL): a
// section is always sealed whole, so a sealed column's section partner in another form was
// replaced behind the program's back (to read it without the register key). Names the column.
class DowngradedAccount : public std::runtime_error {
public:
    explicit DowngradedAccount(std::string column)
        : std::runtime_error("the account column " + column + " was sealed and is not any more: refused"),
          column_(std::move(column)) {}
    const std::string& Column() const { return column_; }

private:
    std::string column_;
};

// True when any of the eight columns of the record is in the sealed form (reading it needs the
// register key).
bool HasSealedAccounts(const ColumnReader& column);

// The revealed values, or nothing when the record is refused. Throws DowngradedAccount. `number` is the record's web_id and `address` its stored web_address; `register_key`
// the register's key opened with the data key (nullptr when there is none or it did not open).
std::optional<RevealedAccounts> RevealAccounts(const ColumnReader& column, std::string_view number,
                                                                 std::string_view data_key, std::string_view address = {},
                                                                 const SecretBytes* register_key = nullptr);

// A short keyed digest of revealed values, so that a long run can tell that records read back as
// they were without keeping their secrets. `key`: random bytes of the run (16 to 64).
std::string RevealedDigest(const RevealedAccounts& accounts, const SecretBytes& key);

}  // namespace sitora::protect
