#include "base/files/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/files/failure_points.h"

namespace sitora::files {
namespace {

constexpr std::string_view kScratchTag = ".sitora-";

}  // namespace

bool WriteAll(int fd, std::string_view data) {
    if (PlannedFailure()) return false;
    while (!data.empty()) {
        ssize_t written = write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool SyncFile(int fd) { return !PlannedFailure() && fsync(fd) == 0; }

bool SyncFolder(const std::filesystem::path& folder) {
    if (PlannedFailure()) return false;
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool TruncateFile(int fd, off_t length) { return !PlannedFailure() && ftruncate(fd, length) == 0; }

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return !PlannedFailure() && std::rename(from.c_str(), to.c_str()) == 0;
}

bool LinkFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (PlannedFailure()) return false;
    if (PretendNoHardLinks()) {
        errno = EPERM;
        return false;
    }
    return link(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
    if (PlannedFailure()) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool SetMode(const std::filesystem::path& path, mode_t mode) {
    if (PlannedFailure()) return false;
    int result = -1;
    if (PretendNoModes()) errno = ENOSYS;
    else result = chmod(path.c_str(), mode);
    if (result == 0) return true;
    if (errno == ENOSYS || errno == EOPNOTSUPP || errno == ENOTSUP) return true;
    // vfat refuses even its owner: a file of ours that still cannot change mode is on such a mount.
    struct stat status {};
    return errno == EPERM && stat(path.c_str(), &status) == 0 && status.st_uid == geteuid();
}

bool PlaceNewFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (LinkFile(from, to)) {
        RemoveFile(from);
        return true;
    }
    if (errno == EEXIST) return false;
    // No hard links here: the name is taken by an empty file of our own, which alone is replaced.
    const int reserved = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (reserved < 0) return false;
    close(reserved);
    if (RenameFile(from, to)) return true;
    unlink(to.c_str());
    return false;
}

std::filesystem::path ScratchPathFor(const std::filesystem::path& target) {
    std::filesystem::path scratch = target.parent_path();
    return scratch / ("." + target.filename().string() + std::string(kScratchTag) + std::to_string(getpid()));
}

void RemoveStaleScratchFiles(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        const std::string name = entry.path().filename().string();
        const std::size_t tag = name.rfind(kScratchTag);
        if (name.front() != '.' || tag == std::string::npos) continue;
        const std::string pid_text = name.substr(tag + kScratchTag.size());
        if (pid_text.empty() || pid_text.find_first_not_of("0123456789") != std::string::npos || pid_text.size() > 9)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(pid_text));
        struct stat status {};
        if (lstat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid())
            continue;
        if (pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;  // still being built
        for (const char* suffix : {"-journal", "-wal", "-shm"}) RemoveFile(entry.path().string() + suffix);
        RemoveFile(entry.path());
    }
}

bool WriteWholeFile(const std::filesystem::path& path, std::string_view data, mode_t mode, bool sync) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data) && (!sync || SyncFile(fd));
    if (close(fd) != 0) ok = false;
    return ok;
}

bool CreatePrivateFile(const std::filesystem::path& path, std::string_view data) {
    if (unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data);
    if (close(fd) != 0) ok = false;
    return ok;
}

int OpenRegularFile(const std::filesystem::path& path, int flags, mode_t mode) {
    int fd = open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    // Regular files never block; clear the flag so that writes behave as usual.
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, bool no_follow, std::size_t max_bytes) {
    int fd = OpenRegularFile(path, O_RDONLY | (no_follow ? O_NOFOLLOW : 0));
    if (fd < 0) return std::nullopt;
    std::string content;
    char buffer[65536];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return std::nullopt;
        }
        if (content.size() + static_cast<std::size_t>(got) > max_bytes) {
            close(fd);
            errno = EFBIG;
            return std::nullopt;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}


}  // namespace sitora::files
