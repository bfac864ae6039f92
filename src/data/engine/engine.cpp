#include "data/engine/engine.h"

#include "data/engine/connection_string.h"
#include "data/data_error.h"
#include "data/engine/server/server_engine.h"
#include "data/engine/server/server_register.h"
#include "data/engine/sqlite/sqlite_engine.h"
#include "data/engine/sqlite/sqlite_schema.h"
#include "base/text/byte_strings.h"

namespace sitora::data {

namespace {

bool OnServer(const std::string& connection_string) {
    return text::EqualIgnoringAsciiCase(ProviderOf(connection_string), kServerProvider);
}

}  // namespace

int CreateRegister(const std::string& connection_string, const std::optional<std::filesystem::path>& source) {
    if (OnServer(connection_string)) return CreateServerRegister(DataSourceOf(connection_string).string(), source);
    if (source) throw DataError("a register file starts empty");
    CreateStarterDatabase(DataSourceOf(connection_string));
    return 0;
}

std::unique_ptr<Engine> OpenEngine(const std::string& connection_string) {
    if (OnServer(connection_string))
        return OpenServerEngine(DataSourceOf(connection_string).string());
    return OpenSqliteEngine(DataSourceOf(connection_string));
}

}  // namespace sitora::data
