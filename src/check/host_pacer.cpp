#include "check/host_pacer.h"

#include <algorithm>
#include <thread>

namespace sitora::check {

bool SleepUntil(Clock::time_point until, const StopFlag& stop) {
    while (!stop) {
        const auto now = Clock::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, std::chrono::milliseconds(100)));
    }
    return false;
}

bool HostPacer::WaitTurn(const std::string& host, std::chrono::milliseconds interval, const StopFlag& stop) {
    Clock::time_point turn;
    {
        const std::lock_guard lock(mutex_);
        auto& next = next_turn_[host];
        turn = std::max(Clock::now(), next);
        next = turn + interval;
    }
    return SleepUntil(turn, stop);
}

void HostPacer::HoldOff(const std::string& host, std::chrono::milliseconds wait) {
    const std::lock_guard lock(mutex_);
    auto& next = next_turn_[host];
    next = std::max(next, Clock::now() + wait);
}

}  // namespace sitora::check
