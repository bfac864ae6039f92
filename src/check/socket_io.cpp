#include "check/socket_io.h"

#include "check/failure_words.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace sitora::check {
namespace {

constexpr int kSliceMs = 100;  // how often a wait looks at the stop flag

}  // namespace

Connection::Connection(const std::string& host, int port, Clock::time_point deadline, const StopFlag& stop)
    : deadline_(deadline), stop_(stop) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        error_ = ResolverFailure(rc);
        return;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    for (const addrinfo* address = found; address; address = address->ai_next) {
        fd_ = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol);
        if (fd_ < 0) continue;
        if (connect(fd_, address->ai_addr, address->ai_addrlen) == 0) return;
        if (errno == EINPROGRESS && Await(true)) {
            int status = 0;
            socklen_t length = sizeof status;
            getsockopt(fd_, SOL_SOCKET, SO_ERROR, &status, &length);
            if (status == 0) return;
            error_ = SystemFailure("无法连接", status);
        } else if (error_.empty()) {
            error_ = SystemFailure("无法连接", errno);
        }
        close(fd_);
        fd_ = -1;
        if (stop_ || Clock::now() >= deadline_) return;
    }
    if (error_.empty()) error_ = "无法连接";
}

Connection::~Connection() {
    if (fd_ >= 0) close(fd_);
}

bool Connection::Await(bool for_writing) {
    pollfd wanted{fd_, static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
    while (true) {
        if (stop_) {
            error_ = "已停止";
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) {
            error_ = "没有应答（超时）";
            return false;
        }
        const int rc = poll(&wanted, 1, static_cast<int>(std::min<long long>(left, kSliceMs)));
        if (rc > 0) return true;
        if (rc < 0 && errno != EINTR) {
            error_ = SystemFailure("等待失败", errno);
            return false;
        }
    }
}

bool Connection::SendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!Await(true)) return false;
        } else {
            error_ = SystemFailure("发送失败", errno);
            return false;
        }
    }
    return true;
}

bool Connection::ReadAll(std::string& into, std::size_t limit) {
    char buffer[16384];
    while (true) {
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got == 0) return true;
        if (got > 0) {
            if (into.size() + static_cast<std::size_t>(got) > limit) {
                error_ = "应答过大";
                return false;
            }
            into.append(buffer, static_cast<std::size_t>(got));
        } else if (errno == EAGAIN || errno == EINTR) {
            if (!Await(false)) return false;
        } else {
            error_ = SystemFailure("读取失败", errno);
            return false;
        }
    }
}

}  // namespace sitora::check
