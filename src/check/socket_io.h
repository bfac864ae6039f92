#pragma once
// A TCP connection with a deadline: connecting, sending and reading never wait past it, and give
// up soon after the stop flag is raised.
#include <optional>
#include <string>
#include <string_view>

#include "check/stop_flag.h"

namespace sitora::check {

class Connection {
public:
    // Connects to host:port before `deadline`; `error` says why not (the connection is then closed).
    Connection(const std::string& host, int port, Clock::time_point deadline, const StopFlag& stop);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Error() const { return error_; }
    int Descriptor() const { return fd_; }

    // Waits until the socket can be read (or written, `for_writing`); false on the deadline or a stop.
    bool Await(bool for_writing);

    bool SendAll(std::string_view bytes);
    // Everything up to the peer's close; false (with Error()) on a timeout or more than `limit` bytes.
    bool ReadAll(std::string& into, std::size_t limit);

private:
    int fd_ = -1;
    std::string error_;
    Clock::time_point deadline_;
    const StopFlag& stop_;
};

}  // namespace sitora::check
