#pragma once
// The data module: the one connection and the six shared queries of the windows.
#include <filesystem>
#include <string>

#include "app/data/ado_connection.h"
#include "app/data/ado_query.h"
#include "app/data/register_place.h"

namespace sitora::data {

class TDataModule1 {
public:
    TDataModule1();

    // Closes the connection, points it at db.mdb in the program folder (or at the server
    // that register.conf there names) and opens it. Throws DataError when db.mdb is missing
    // or not a register, or the server cannot be reached or holds no register.
    void SetUpConnection(const std::string& program_folder);

    TADOConnection ADOConnection1;
    TADOQuery ADOQuery1{ADOConnection1};  // the main list
    TADOQuery ADOQuery2{ADOConnection1};  // add window
    TADOQuery ADOQuery3{ADOConnection1};  // detail window load
    TADOQuery ADOQuery4{ADOConnection1};  // section saves, counter refresh
    TADOQuery ADOQuery5{ADOConnection1};  // expiry list
    TADOQuery ADOQuery6{ADOConnection1};  // settings
};

}  // namespace sitora::data
