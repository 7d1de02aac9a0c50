#include "gui/gui_clock.h"

#include "link/reply_event.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

namespace korvelo {

namespace {

// Shows the busy cursor for the life of a pause or wait.
class BusyCursor {
  public:
    BusyCursor() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Drops user input for as long as it is installed on the application.
class InputGate : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }
};

} // namespace

GuiClock::GuiClock() = default;
GuiClock::~GuiClock() = default;

std::int64_t GuiClock::nowMs() const {
    return RealClock().nowMs();
}

void GuiClock::sleepMs(int ms) {
    runLoop(ms, nullptr);
}

bool GuiClock::wait(ReplyEvent& event, int timeoutMs) {
    if (event.tryTake())
        return true;
    // The hook runs on the receive thread; the queued call lands on the waker's thread.
    event.setWakeHook([this] {
        QMetaObject::invokeMethod(
            &waker_,
            [this] {
                if (loop_)
                    loop_->quit();
            },
            Qt::QueuedConnection);
    });
    const bool got = runLoop(timeoutMs, &event);
    event.setWakeHook({});
    return got;
}

bool GuiClock::runLoop(int ms, ReplyEvent* event) {
    BusyCursor cursor;
    if (depth_++ == 0 && QCoreApplication::instance()) {
        inputGate_ = std::make_unique<InputGate>();
        QCoreApplication::instance()->installEventFilter(inputGate_.get());
    }
    QEventLoop* const outer = loop_;
    QElapsedTimer elapsed;
    elapsed.start();
    bool got = false;
    for (;;) {
        if (event && event->tryTake()) {
            got = true;
            break;
        }
        const qint64 left = ms - elapsed.elapsed();
        if (left <= 0)
            break;
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(left));
        loop_ = &loop;
        // A signal that came between the check above and here has queued its wake-up already.
        loop.exec();
        loop_ = outer;
    }
    loop_ = outer;
    if (--depth_ == 0)
        inputGate_.reset(); // removes itself from the application's filters
    return got;
}

bool GuiClock::pumpMessages() {
    // Called between the slices of a wait, while the input gate is still in place.
    QCoreApplication::processEvents();
    return !QCoreApplication::closingDown();
}

} // namespace korvelo
