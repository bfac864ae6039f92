#pragma once
// Only one copy of the program runs per user: the first copy holds an advisory lock on a
// file named after the application in the private folder until it ends.
#include <filesystem>
#include <string>

namespace sitora::files {

class SingleInstanceLock {
public:
    // Tries to take the lock on `<folder>/<name>.lock`. Any failure other than another
    // holder (a folder that cannot be made, say) counts as "no other copy runs".
    SingleInstanceLock(const std::filesystem::path& folder, const std::string& name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when another process holds the lock.
    bool AnotherCopyRuns() const { return another_copy_runs_; }

private:
    int fd_ = -1;
    bool another_copy_runs_ = false;
};

// A second start asks the copy that runs to show itself, through a Unix socket
// `<folder>/<name>.show` of the same private folder as the lock.
// The running copy's side: listens there (non-blocking); -1 where it cannot.
int ListenForShowRequests(const std::filesystem::path& folder, const std::string& name);
// Takes the requests that wait on the socket; true when there was one.
bool TakeShowRequests(int listening);
// The second start's side: false where nothing listens.
bool AskRunningCopyToShow(const std::filesystem::path& folder, const std::string& name);

}  // namespace sitora::files
