#pragma once
// replyEvent: an auto-reset event. The receive thread sets it; the caller's thread waits on it.
#include <condition_variable>
#include <functional>
#include <mutex>

namespace korvelo {

class ReplyEvent {
  public:
    void set();   // signal; wakes one waiter, or stays signalled until one comes
    void reset(); // back to non-signalled
    // Waits up to timeoutMs; true when signalled (the signal is consumed: auto-reset).
    bool waitFor(int timeoutMs);
    // Takes the signal if it is there, without waiting.
    bool tryTake();
    bool isSet() const;
    // Called (on the signalling thread) after every set(); lets an event loop wake up.
    // Pass an empty function to remove it.
    void setWakeHook(std::function<void()> hook);

  private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    std::function<void()> hook_;
};

} // namespace korvelo
