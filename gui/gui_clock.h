#pragma once
// The program's clock. Its pauses and waits run a local event loop that keeps every window
// painted but swallows keyboard and mouse input (with a busy cursor), so no second radio
// exchange can start while one is outstanding. Input is dropped, not deferred: a click on
// "PTT Toggle" repeated while the radio is slow to answer must not key the transmitter again
// once the wait is over. A reply wakes the wait at once through the reply event's wake hook.
#include "link/clock.h"

#include <QObject>
#include <memory>

class QEventLoop;

namespace korvelo {

class GuiClock : public Clock {
  public:
    GuiClock();
    ~GuiClock() override;

    void sleepMs(int ms) override;
    bool wait(ReplyEvent& event, int timeoutMs) override;
    std::int64_t nowMs() const override;
    bool pumpMessages() override;

    // True while a pause or a wait is running (commands refuse to start then).
    bool busy() const { return depth_ > 0; }

  private:
    // Runs the local loop until the time is up or, with an event, it is signalled.
    bool runLoop(int ms, ReplyEvent* event);

    QObject waker_; // lives on the user-interface thread; receives the wake-ups
    std::unique_ptr<QObject> inputGate_; // application event filter while busy
    QEventLoop* loop_ = nullptr;
    int depth_ = 0;
};

} // namespace korvelo
