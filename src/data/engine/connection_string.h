#pragma once
// An ADO-style connection string ("Provider=...;Data Source=..."), read and written: which engine
// a register needs and where it lives.
#include <filesystem>
#include <string>
#include <string_view>

namespace sitora::data {

inline constexpr std::string_view kServerProvider = "PostgreSQL";

// The Data Source of a connection string ("...;Data Source=/opt/Sitora/db.mdb;..."); a value
// in double quotes may hold ';' (and '"' doubled).
std::filesystem::path DataSourceOf(std::string_view connection_string);
// A value as a connection string holds it: as it stands, or in double quotes where it holds
// ';' or '"' or starts with a blank, so that any bytes of a path mean that path.
std::string ConnectionValue(std::string_view value);
// The Provider of a connection string, empty when it names none.
std::string ProviderOf(std::string_view connection_string);

}  // namespace sitora::data
