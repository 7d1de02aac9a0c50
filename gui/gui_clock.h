#pragma once
// The program's clock. Its pauses and waits run a local event loop that keeps every window
// painted but swallows keyboard and mouse input (with a busy cursor), so no second radio
// exchange can start while one is outstanding. Input is dropped, not deferred: a click on
// "PTT Toggle" repeated while the radio is slow to answer must not key the transmitter again
// once the wait is over. A reply wakes the wait at once through the reply event's wake hook.
//
// Three things do get through. A window opened during the wait (a message box) takes input as
// usual, so it can be answered. A request to close a window (close box, Alt+F4, Escape on a
// dialog) is kept and honoured once the operation has ended, so every dialog closes after its
// exchange instead of in the middle of it, with the port still held and the transmitter
// perhaps keyed. And the
// steps of controls marked for it (an alignment page's arrow keys and up-down clicks) reach
// their page, which shows them at once and commits them as one when the operation ends: a held
// arrow key moves the value by every press.
#include "link/clock.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

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

    // Called by the input gate: closes the window once no operation is running any more.
    void deferClose(QWidget* window);

    // Marks a control whose steps count during a wait: the gate lets its step keys (arrows,
    // Page Up, Page Down) or its mouse clicks through while keeps() says its page keeps them
    // for the commit after the running operation; otherwise they are held as any input.
    enum class StepInput { Keys, Clicks };
    static void takeStepsDuringWaits(QWidget* control, StepInput input,
                                     std::function<bool()> keeps);

  private:
    // Holds off input and keeps close requests (the application's event filter while busy).
    class Gate;
    // One pause, wait or pump: the outermost installs the gate, and removes it at its end.
    class Hold;
    // Runs the local loop until the time is up or, with an event, it is signalled.
    bool runLoop(int ms, ReplyEvent* event);
    void closeDeferred();

    QObject waker_; // lives on the user-interface thread; receives the wake-ups
    std::unique_ptr<QObject> inputGate_; // application event filter while busy
    QEventLoop* loop_ = nullptr;
    int depth_ = 0;
    // The event-loop level the outermost pause or wait was entered from: the operation's own.
    // A message box the operation shows after its last wait runs a loop above it, and a kept
    // close must not run inside that loop, where the operation has not returned yet.
    int operationLoopLevel_ = 0;
    struct CloseRequest {
        QPointer<QWidget> window;
        int loopLevel; // honoured once the event loop is back at this level or below
    };
    std::vector<CloseRequest> closeRequests_;
    QTimer closeTimer_; // looks for the end of the operation while a close is kept
};

} // namespace korvelo
