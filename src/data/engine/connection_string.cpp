#include "data/engine/connection_string.h"

#include <strings.h>

#include <algorithm>
#include <optional>

#include "data/data_error.h"

namespace sitora::data {
namespace {

// The value of one key ("data source=", lower case with its '=') of a connection string.
std::optional<std::string> ValueOf(std::string_view connection_string, std::string_view key) {
    std::size_t pos = 0;
    while (pos < connection_string.size()) {
        while (pos < connection_string.size() && connection_string[pos] == ' ') ++pos;
        const bool is_key = connection_string.size() - pos >= key.size() &&
                            strncasecmp(connection_string.data() + pos, key.data(), key.size()) == 0;
        std::size_t value_start = connection_string.find('=', pos);
        if (value_start == std::string_view::npos) break;
        ++value_start;
        std::string value;
        std::size_t end = value_start;
        if (end < connection_string.size() && connection_string[end] == '"') {
            // A quoted value holds ';' as it stands and '"' doubled.
            for (++end; end < connection_string.size(); ++end) {
                if (connection_string[end] != '"') {
                    value += connection_string[end];
                } else if (end + 1 < connection_string.size() && connection_string[end + 1] == '"') {
                    value += '"';
                    ++end;
                } else {
                    ++end;
                    break;
                }
            }
            end = std::min(connection_string.find(';', end), connection_string.size());
        } else {
            end = std::min(connection_string.find(';', value_start), connection_string.size());
            value = std::string(connection_string.substr(value_start, end - value_start));
        }
        if (is_key) return value;
        pos = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::filesystem::path DataSourceOf(std::string_view connection_string) {
    auto source = ValueOf(connection_string, "data source=");
    if (!source) throw DataError("the connection string names no Data Source");
    return std::filesystem::path(*source);
}

std::string ProviderOf(std::string_view connection_string) {
    return ValueOf(connection_string, "provider=").value_or("");
}

std::string ConnectionValue(std::string_view value) {
    const bool plain = value.find_first_of(";\"") == std::string_view::npos && !value.empty() && value.front() != ' ';
    if (plain) return std::string(value);
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

}  // namespace sitora::data
