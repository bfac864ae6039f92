#include "base/files/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>

namespace sitora::files {

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& folder, const std::string& name) {
    const std::filesystem::path path = folder / (name + ".lock");
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        another_copy_runs_ = (errno == EWOULDBLOCK);
        close(fd_);
        fd_ = -1;
    }
}

SingleInstanceLock::~SingleInstanceLock() {
    // The lock goes with the descriptor; the file stays for the next start.
    if (fd_ >= 0) close(fd_);
}

namespace {

// The socket's address; false when the path does not fit one.
bool ShowAddress(const std::filesystem::path& folder, const std::string& name, sockaddr_un& address) {
    const std::string path = (folder / (name + ".show")).string();
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    path.copy(address.sun_path, path.size());
    return true;
}

}  // namespace

int ListenForShowRequests(const std::filesystem::path& folder, const std::string& name) {
    sockaddr_un address{};
    if (!ShowAddress(folder, name, address)) return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    // Whoever holds the lock owns the name: a socket left by a copy that ended goes.
    unlink(address.sun_path);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    chmod(address.sun_path, 0600);
    return fd;
}

bool TakeShowRequests(int listening) {
    bool taken = false;
    for (int client; (client = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; taken = true) close(client);
    return taken;
}

bool AskRunningCopyToShow(const std::filesystem::path& folder, const std::string& name) {
    sockaddr_un address{};
    if (!ShowAddress(folder, name, address)) return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool asked = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return asked;
}

}  // namespace sitora::files
