#include "app/files/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
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

}  // namespace sitora::files
