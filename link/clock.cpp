#include "link/clock.h"

#include "link/reply_event.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace korvelo {

void RealClock::sleepMs(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool RealClock::wait(ReplyEvent& event, int timeoutMs) {
    return event.waitFor(timeoutMs);
}

std::int64_t RealClock::nowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void VirtualClock::schedule(int delayMs, std::function<void()> fn) {
    tasks_.push_back({now_ + std::max(0, delayMs), seq_++, std::move(fn)});
}

// Runs every task due at or before t, earliest first (ties in the order they were scheduled);
// tasks may schedule further tasks.
void VirtualClock::runUntil(std::int64_t t) {
    for (;;) {
        auto next =
            std::min_element(tasks_.begin(), tasks_.end(), [](const Task& a, const Task& b) {
                return a.at != b.at ? a.at < b.at : a.seq < b.seq;
            });
        if (next == tasks_.end() || next->at > t)
            break;
        Task task = std::move(*next);
        tasks_.erase(next);
        now_ = std::max(now_, task.at);
        task.fn();
    }
    now_ = std::max(now_, t);
}

void VirtualClock::sleepMs(int ms) {
    steps_.push_back({Step::Sleep, ms, false});
    runUntil(now_ + std::max(0, ms));
}

bool VirtualClock::wait(ReplyEvent& event, int timeoutMs) {
    const std::int64_t deadline = now_ + std::max(0, timeoutMs);
    steps_.push_back({Step::Wait, timeoutMs, false});
    const std::size_t stepIndex = steps_.size() - 1;
    for (;;) {
        if (event.tryTake()) {
            steps_[stepIndex].signalled = true;
            return true;
        }
        auto next =
            std::min_element(tasks_.begin(), tasks_.end(), [](const Task& a, const Task& b) {
                return a.at != b.at ? a.at < b.at : a.seq < b.seq;
            });
        if (next == tasks_.end() || next->at > deadline) {
            now_ = deadline;
            return false;
        }
        runUntil(next->at);
    }
}

} // namespace korvelo
