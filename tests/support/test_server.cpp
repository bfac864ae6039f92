#include "support/test_server.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "data/engine/server/server_connection.h"
#include "data/engine/server/server_register.h"
#include "support/temp_folder.h"

namespace sitora::test {

bool OnServer() {
    const char* engine = std::getenv("SITORA_TEST_ENGINE");
    return engine && std::string_view(engine) == "server";
}

std::optional<std::string> ServerDatabaseUri(const std::string& database) {
    const char* host = std::getenv("SITORA_TEST_PGHOST");
    if (!host || !*host) return std::nullopt;
    return "postgresql:///" + database + "?host=" + host + "&user=sitora";
}

std::string FreshServerDatabase() {
    static std::atomic<int> serial{0};
    const auto admin = ServerDatabaseUri("postgres");
    if (!admin) throw std::runtime_error("no test server runs (SITORA_TEST_PGHOST)");
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(serial++);
    data::ServerConnection(*admin).Run("CREATE DATABASE " + name);
    const std::string uri = *ServerDatabaseUri(name);
    // The tests read some results with SQLite's group_concat.
    data::ServerConnection(uri).Run(
        "CREATE FUNCTION group_concat_step(text, text, text) RETURNS text LANGUAGE sql IMMUTABLE AS "
        "$$SELECT CASE WHEN $1 IS NULL THEN $2 ELSE $1 || $3 || $2 END$$; "
        "CREATE AGGREGATE group_concat(text, text) (SFUNC = group_concat_step, STYPE = text)");
    return uri;
}

void MoveRegisterToServer(const std::filesystem::path& folder) {
    const std::string uri = FreshServerDatabase();
    data::CreateServerRegister(uri, folder / "db.mdb");
    WriteFile(folder / data::kServerConfigFile, uri + "\n");
}

}  // namespace sitora::test
