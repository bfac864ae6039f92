#include "base/files/private_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sitora::files {
namespace {

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    throw std::runtime_error("no home folder for the private folder");
}

std::filesystem::path StateBase() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return std::filesystem::path(state) / "sitora";
    return HomeFolder() / ".local" / "state" / "sitora";
}

std::filesystem::path CacheBase() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/')
        return std::filesystem::path(cache) / "sitora";
    return HomeFolder() / ".cache" / "sitora";
}

// Never a shared, world-writable place such as /tmp: anyone could fill it, or plant the
// folder before us.
std::filesystem::path BaseFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code ec;
        if (std::filesystem::is_directory(runtime, ec)) return std::filesystem::path(runtime) / "sitora";
    }
    return StateBase();
}

// Makes every missing folder on the way, owner-only where we create it.
void MakeFolders(const std::filesystem::path& folder) {
    if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
    if (errno == ENOENT && folder.has_parent_path() && folder.parent_path() != folder) {
        MakeFolders(folder.parent_path());
        if (mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return;
    }
    throw std::runtime_error("cannot create " + folder.string() + ": " + std::strerror(errno));
}

// A folder that others could write into may hold what they planted (links named like our
// transfer files, say): it is closed first, then emptied.
void CloseAndEmpty(const std::filesystem::path& folder) {
    if (chmod(folder.c_str(), 0700) != 0) throw std::runtime_error("cannot make " + folder.string() + " private");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::filesystem::remove_all(entry.path(), ec);  // links are removed, never followed
        if (ec) throw std::runtime_error("cannot empty " + folder.string());
    }
    if (ec) throw std::runtime_error("cannot empty " + folder.string());
}

std::filesystem::path MadePrivate(const std::filesystem::path& folder) {
    MakeFolders(folder);
    struct stat st {};
    // lstat: a symbolic link in the folder's place must not redirect our files.
    if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
        throw std::runtime_error(folder.string() + " is not a private folder of this user");
    if ((st.st_mode & 077) != 0) CloseAndEmpty(folder);
    return folder;
}

}  // namespace

std::filesystem::path PrivateFolder() { return MadePrivate(BaseFolder()); }

std::filesystem::path StateFolder() { return MadePrivate(StateBase()); }

std::filesystem::path CacheFolder() { return MadePrivate(CacheBase()); }

}  // namespace sitora::files
