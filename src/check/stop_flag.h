#pragma once
// How a running check is told to stop: every wait and every transfer looks at it often enough that
// the stop button takes effect within a fraction of a second.
#include <atomic>
#include <chrono>

namespace sitora::check {

using StopFlag = std::atomic<bool>;
using Clock = std::chrono::steady_clock;

}  // namespace sitora::check
