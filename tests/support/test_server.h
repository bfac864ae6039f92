#pragma once
// The server tests' register: with SITORA_TEST_ENGINE=server the fixtures keep their register on
// the throwaway cluster whose socket folder SITORA_TEST_PGHOST names (scripts/test-server.sh).
#include <filesystem>
#include <optional>
#include <string>

namespace sitora::test {

// This run keeps its registers on the server.
bool OnServer();
// The URI of a database of the test cluster, or nothing when no cluster runs.
std::optional<std::string> ServerDatabaseUri(const std::string& database);
// A new, empty database on the test cluster; its URI. Throws when no cluster runs.
std::string FreshServerDatabase();
// Copies <folder>/db.mdb into a fresh database and writes <folder>/register.conf naming it.
void MoveRegisterToServer(const std::filesystem::path& folder);

}  // namespace sitora::test
