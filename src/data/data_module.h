#pragma once
// The data module: the one connection and the six shared queries of the windows.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "data/ado_connection.h"
#include "data/ado_query.h"
#include "data/register_place.h"
#include "protect/secret_bytes.h"

namespace sitora::data {

class TDataModule1 {
public:
    TDataModule1();

    // Closes the connection, points it at db.mdb in the program folder (or at the server
    // that register.conf there names) and opens it. Throws DataError when db.mdb is missing
    // or not a register, or the server cannot be reached or holds no register.
    void SetUpConnection(const std::string& program_folder);

    // The register key opened with `data_key` (made first, when `create` and the register has
    // none), kept with the connection so that the slow derivation runs once. Nothing when the
    // register's key does not open under `data_key`, or without `create` when it has none yet.
    // Call it outside a transaction: a key made inside one that rolls back would be lost. Throws
    // DataError.
    const protect::SecretBytes* RegisterKey(std::string_view data_key, bool create);

    TADOConnection ADOConnection1;
    TADOQuery ADOQuery1{ADOConnection1};  // the main list
    TADOQuery ADOQuery2{ADOConnection1};  // add window
    TADOQuery ADOQuery3{ADOConnection1};  // detail window load
    TADOQuery ADOQuery4{ADOConnection1};  // section saves, counter refresh
    TADOQuery ADOQuery5{ADOConnection1};  // expiry list
    TADOQuery ADOQuery6{ADOConnection1};  // settings

private:
    struct OpenedKey {
        protect::SecretBytes data_key;                   // what it was opened with
        std::optional<protect::SecretBytes> register_key;  // nothing: it did not open
    };
    std::optional<OpenedKey> opened_key_;
};

}  // namespace sitora::data
