#pragma once
// A clock that tells the reply objects' trace about every pause and every wait that ended
// without its event, so the traffic shows the timing between the frames.
#include "clock.h"
#include "reply_objects.h"

namespace korvelo {

class TracedClock : public Clock {
  public:
    TracedClock(Clock& inner, const ReplyObjects& replies) : inner_(inner), replies_(replies) {}

    void sleepMs(int ms) override {
        if (FrameTrace* trace = replies_.trace())
            trace->paused(ms);
        inner_.sleepMs(ms);
    }
    bool wait(ReplyEvent& event, int timeoutMs) override {
        const bool got = inner_.wait(event, timeoutMs);
        if (!got)
            if (FrameTrace* trace = replies_.trace())
                trace->timedOut(timeoutMs);
        return got;
    }
    std::int64_t nowMs() const override { return inner_.nowMs(); }
    bool pumpMessages() override { return inner_.pumpMessages(); }

  private:
    Clock& inner_;
    const ReplyObjects& replies_;
};

} // namespace korvelo
