#include "app/data/engine/engine.h"

#include "app/data/ado_connection.h"
#include "app/data/engine/server/server_engine.h"
#include "app/data/engine/sqlite/sqlite_engine.h"
#include "app/text/byte_strings.h"

namespace sitora::data {

std::unique_ptr<Engine> OpenEngine(const std::string& connection_string) {
    if (text::EqualIgnoringAsciiCase(ProviderOf(connection_string), kServerProvider))
        return OpenServerEngine(DataSourceOf(connection_string).string());
    return OpenSqliteEngine(DataSourceOf(connection_string));
}

}  // namespace sitora::data
