#include "link/reply_event.h"

#include <chrono>

namespace korvelo {

void ReplyEvent::set() {
    std::function<void()> hook;
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        hook = hook_;
    }
    cv_.notify_one();
    if (hook)
        hook();
}

void ReplyEvent::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool ReplyEvent::waitFor(int timeoutMs) {
    std::unique_lock lock(mutex_);
    const bool got = cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                                  [this] { return signalled_; });
    if (got)
        signalled_ = false;
    return got;
}

bool ReplyEvent::tryTake() {
    std::lock_guard lock(mutex_);
    const bool got = signalled_;
    signalled_ = false;
    return got;
}

bool ReplyEvent::isSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

void ReplyEvent::setWakeHook(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

} // namespace korvelo
