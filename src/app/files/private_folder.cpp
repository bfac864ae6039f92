#include "app/files/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sitora::files {
namespace {

std::filesystem::path BaseFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code ec;
        if (std::filesystem::is_directory(runtime, ec)) return std::filesystem::path(runtime) / "sitora";
    }
    const char* tmp = std::getenv("TMPDIR");
    std::filesystem::path base = (tmp && *tmp) ? tmp : "/tmp";
    return base / ("sitora-" + std::to_string(getuid()));
}

}  // namespace

std::filesystem::path PrivateFolder() {
    std::filesystem::path folder = BaseFolder();
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + folder.string() + ": " + std::strerror(errno));
    struct stat st {};
    // lstat: a symbolic link planted in a shared /tmp must not redirect our files.
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        throw std::runtime_error(folder.string() + " is not a private folder of this user");
    if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make " + folder.string() + " private");
    return folder;
}

}  // namespace sitora::files
