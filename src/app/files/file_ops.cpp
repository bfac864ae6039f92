#include "app/files/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace sitora::files {
namespace {

struct FaultPlan {
    int calls = 0;
    int fail_at = 0;  // 0: no fault planned
    int error = 0;
    bool sticky = false;
};

bool links_refused = false;

FaultPlan& Plan() {
    static FaultPlan plan;
    return plan;
}

// Counts one call; true when the plan says it fails (errno is then set).
bool Injected() {
    FaultPlan& plan = Plan();
    ++plan.calls;
    if (plan.fail_at == 0) return false;
    if (plan.calls == plan.fail_at || (plan.sticky && plan.calls > plan.fail_at)) {
        errno = plan.error;
        return true;
    }
    return false;
}

}  // namespace

bool WriteAll(int fd, std::string_view data) {
    if (Injected()) return false;
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

bool SyncFile(int fd) { return !Injected() && fsync(fd) == 0; }

bool SyncFolder(const std::filesystem::path& folder) {
    if (Injected()) return false;
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    close(fd);
    return ok;
}

bool TruncateFile(int fd, off_t length) { return !Injected() && ftruncate(fd, length) == 0; }

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return !Injected() && std::rename(from.c_str(), to.c_str()) == 0;
}

bool LinkFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (Injected()) return false;
    if (links_refused) {
        errno = EPERM;
        return false;
    }
    return link(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::filesystem::path& path) {
    if (Injected()) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
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

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, bool no_follow) {
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
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

void InjectFaultForTesting(int nth, int error, bool sticky) { Plan() = FaultPlan{0, nth, error, sticky}; }

void ClearFaultsForTesting() { Plan() = FaultPlan{}; }

void RefuseLinksForTesting(bool refuse) { links_refused = refuse; }

int CallsSinceForTesting() { return Plan().calls; }

bool FaultInjectedForCall() { return Injected(); }

}  // namespace sitora::files
