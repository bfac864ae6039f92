#include "base/files/isolated_call.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>


namespace sitora::files {
namespace {

constexpr char kResult = 'r';
constexpr char kError = 'e';

[[noreturn]] void RunChild(int out, const std::function<std::string()>& work) {
    std::string message;
    try {
        message = kResult + work();
    } catch (const std::exception& error) {
        message = kError + std::string(error.what());
    } catch (...) {
        message = kError + std::string("unknown failure");
    }
    // A pipe, not a file: written directly, outside the file operations' test seam.
    std::string_view rest = message;
    while (!rest.empty()) {
        const ssize_t n = write(out, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        rest.remove_prefix(static_cast<std::size_t>(n));
    }
    _exit(0);
}

std::string ReadAll(int in) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(in, buffer, sizeof buffer);
        if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR) break;
    }
    return bytes;
}

}  // namespace

std::string CallIsolated(const std::function<std::string()>& work) {
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC) != 0)
        throw IsolatedCallError(std::string("cannot start a reader: ") + std::strerror(errno), true);
    const pid_t child = fork();
    if (child < 0) {
        close(pipe_ends[0]);
        close(pipe_ends[1]);
        throw IsolatedCallError(std::string("cannot start a reader: ") + std::strerror(errno), true);
    }
    if (child == 0) {
        close(pipe_ends[0]);
        RunChild(pipe_ends[1], work);
    }
    close(pipe_ends[1]);
    std::string bytes = ReadAll(pipe_ends[0]);
    close(pipe_ends[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        throw IsolatedCallError("the reader stopped on damaged data (signal " + std::to_string(WTERMSIG(status)) + ")",
                                true);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.empty())
        throw IsolatedCallError("the reader stopped on damaged data (exit code " +
                                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")",
                                true);
    const char kind = bytes[0];
    bytes.erase(0, 1);
    if (kind != kResult) throw IsolatedCallError(bytes, false);
    return bytes;
}

}  // namespace sitora::files
