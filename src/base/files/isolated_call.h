#pragma once
// Running untrusted-input code in a child process: a library that crashes on a hostile file
// (libmdb on a damaged Access db.mdb, say) takes only the child down, and the caller gets an
// error instead.
#include <functional>
#include <stdexcept>
#include <string>

namespace sitora::files {

class IsolatedCallError : public std::runtime_error {
public:
    IsolatedCallError(const std::string& what, bool child_died) : std::runtime_error(what), child_died_(child_died) {}
    // True when the child crashed or could not run, false when `work` itself threw.
    bool ChildDied() const { return child_died_; }

private:
    bool child_died_;
};

// Runs `work` in a forked child and returns the bytes it returned. Throws IsolatedCallError with
// the child's exception text when `work` threw, or with what happened when the child died or
// could not be started. `work` must not touch what the parent shares with other threads.
std::string CallIsolated(const std::function<std::string()>& work);

}  // namespace sitora::files
