#pragma once
// Every pause and every wait of the radio operations goes through a Clock, so that sequence
// tests can run on virtual time and assert each pause.
#include <cstdint>
#include <functional>
#include <vector>

namespace korvelo {

class ReplyEvent;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    // Waits up to timeoutMs for the event; true when it was signalled (and consumes it).
    virtual bool wait(ReplyEvent& event, int timeoutMs) = 0;
    // Milliseconds since an arbitrary start; only differences mean anything.
    virtual std::int64_t nowMs() const = 0;
    // Lets pending window work run during long waits; false when the application is quitting.
    // Clocks without a user interface have nothing to do.
    virtual bool pumpMessages() { return true; }
};

// Wall-clock time; blocks the calling thread.
class RealClock : public Clock {
  public:
    void sleepMs(int ms) override;
    bool wait(ReplyEvent& event, int timeoutMs) override;
    std::int64_t nowMs() const override;
};

// Virtual time for sequence tests: nothing really sleeps. Work scheduled on the clock (the
// in-memory simulated radio delivering its reply bytes) runs when virtual time reaches it,
// during sleepMs and wait, in time order.
class VirtualClock : public Clock {
  public:
    struct Step {
        enum Kind { Sleep, Wait } kind;
        int ms;         // requested pause or time-out
        bool signalled; // waits only: the event came before the time-out
        bool operator==(const Step&) const = default;
    };

    void sleepMs(int ms) override;
    bool wait(ReplyEvent& event, int timeoutMs) override;
    std::int64_t nowMs() const override { return now_; }

    // Runs fn when virtual time reaches nowMs() + delayMs.
    void schedule(int delayMs, std::function<void()> fn);
    // Every sleep and wait in call order, for tests to assert the pauses.
    const std::vector<Step>& steps() const { return steps_; }
    void clearSteps() { steps_.clear(); }

  private:
    void runUntil(std::int64_t t);
    struct Task {
        std::int64_t at;
        std::uint64_t seq;
        std::function<void()> fn;
    };
    std::int64_t now_ = 0;
    std::uint64_t seq_ = 0;
    std::vector<Task> tasks_;
    std::vector<Step> steps_;
};

} // namespace korvelo
