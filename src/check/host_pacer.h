#pragma once
// Keeps the questions to one registry host apart, however many workers ask it: each takes the next
// free turn, and a host that asked us to wait (429, a rate-limit reply) is left alone until then.
#include <chrono>
#include <map>
#include <mutex>
#include <string>

#include "check/stop_flag.h"

namespace sitora::check {

class HostPacer {
public:
    // Waits for this host's next turn, at least `interval` after the previous one; false when the
    // stop flag was raised meanwhile.
    bool WaitTurn(const std::string& host, std::chrono::milliseconds interval, const StopFlag& stop);
    // No turn for this host before `wait` from now.
    void HoldOff(const std::string& host, std::chrono::milliseconds wait);

private:
    std::mutex mutex_;
    std::map<std::string, Clock::time_point> next_turn_;
};

// Sleeps until `until` in short slices; false when the stop flag was raised meanwhile.
bool SleepUntil(Clock::time_point until, const StopFlag& stop);

}  // namespace sitora::check
