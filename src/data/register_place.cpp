#include "data/register_place.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "data/ado_connection.h"
#include "data/data_error.h"
#include "data/engine/server/server_connection.h"
#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"

namespace sitora::data {
namespace {

constexpr std::size_t kLargestConfig = 4096;

// Only a regular file, and no more of it than one URI needs: a FIFO or a link to a device is
// never waited on or read without end.
std::string ReadConfig(const std::filesystem::path& path) {
    const int fd = files::OpenRegularFile(path, O_RDONLY);
    if (fd < 0) throw DataError("cannot read " + path.string() + ": it is not a regular file that can be read");
    std::string content(kLargestConfig + 1, '\0');
    std::size_t filled = 0;
    while (filled < content.size()) {
        const ssize_t got = read(fd, content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            throw DataError("cannot read " + path.string());
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    close(fd);
    content.resize(filled);
    if (content.size() > kLargestConfig) throw DataError(path.string() + " is too large for one connection URI");
    if (content.starts_with("\xEF\xBB\xBF")) content.erase(0, 3);  // a byte-order mark from an editor
    return content;
}

// The first line that is neither blank nor a comment, without a comment after it (a "#" after a
// blank: a URI writes its own "#" as %23).
std::string FirstSettingLine(std::string_view content) {
    std::size_t begin = 0;
    while (begin < content.size()) {
        std::size_t end = content.find('\n', begin);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = text::TrimBlanks(content.substr(begin, end - begin));
        for (std::size_t at = 1; at < line.size(); ++at)
            if (line[at] == '#' && static_cast<unsigned char>(line[at - 1]) <= ' ') {
                line = text::TrimBlanks(line.substr(0, at));
                break;
            }
        if (!line.empty() && line.front() != '#') return std::string(line);
        begin = end + 1;
    }
    return {};
}

}  // namespace

bool HasServerConfig(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(folder / kServerConfigFile, ec));
}

std::optional<std::string> ServerUriOf(const std::filesystem::path& folder) {
    if (!HasServerConfig(folder)) return std::nullopt;
    const std::filesystem::path path = folder / kServerConfigFile;
    std::string uri = FirstSettingLine(ReadConfig(path));
    CheckServerUri(uri, path.string());
    return uri;
}

std::string ConnectionStringFor(const std::string& program_folder) {
    return FileConnectionString(program_folder + kRegisterFile);
}

std::string FileConnectionString(const std::filesystem::path& register_file) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + ConnectionValue(register_file.string()) +
           ";Persist Security Info=False";
}

std::string ServerConnectionString(const std::string& uri) {
    return "Provider=" + std::string(kServerProvider) + ";Data Source=" + ConnectionValue(uri);
}

std::string RegisterConnectionString(const std::string& program_folder) {
    const auto uri = ServerUriOf(program_folder);
    return uri ? ServerConnectionString(*uri) : ConnectionStringFor(program_folder);
}

}  // namespace sitora::data
