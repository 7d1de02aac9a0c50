#include "gui/gui_clock.h"

#include "link/reply_event.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <map>

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

bool isUserInput(QEvent::Type type) {
    switch (type) {
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
        return false;
    }
}

// The top-level widget an event is for; input reaches a window first and then its widget.
QWidget* windowOf(QObject* target) {
    if (auto* widget = qobject_cast<QWidget*>(target))
        return widget->window();
    if (auto* window = qobject_cast<QWindow*>(target)) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->windowHandle() == window)
                return w;
    }
    return nullptr;
}

struct StepTaker {
    GuiClock::StepInput input;
    std::function<bool()> keeps;
};

std::map<const QObject*, StepTaker>& stepTakers() {
    static std::map<const QObject*, StepTaker> takers;
    return takers;
}

bool isStepKey(const QKeyEvent* key) {
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// A step for a control marked to take it during a wait. Input reaches a window first (there
// the control is the focus widget, or the one under the mouse) and then the control itself.
bool isKeptStep(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool key =
        type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
    const bool click = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                       type == QEvent::MouseButtonDblClick;
    if ((key && !isStepKey(static_cast<QKeyEvent*>(event))) || (!key && !click))
        return false;
    QWidget* control = qobject_cast<QWidget*>(watched);
    if (!control && qobject_cast<QWindow*>(watched)) {
        control = key ? QApplication::focusWidget()
                      : QApplication::widgetAt(
                            static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        if (control && control->window()->windowHandle() != watched)
            return false;
    }
    const auto it = stepTakers().find(control);
    if (it == stepTakers().end())
        return false;
    const GuiClock::StepInput wanted =
        key ? GuiClock::StepInput::Keys : GuiClock::StepInput::Clicks;
    return it->second.input == wanted && it->second.keeps();
}

// Windows whose close can wait; popups and tool tips close as they always do.
bool closeCanWait(const QWidget* w) {
    const Qt::WindowType type = w->windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Sheet;
}

} // namespace

// Installed on the application for as long as a pause, a wait or a pump runs.
class GuiClock::Gate : public QObject {
  public:
    explicit Gate(GuiClock& clock) : clock_(clock) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                before_.emplace_back(w);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            // Escape on a dialog is its close: kept like the close box, not dropped.
            QWidget* w = windowOf(watched);
            if (qobject_cast<QDialog*>(w) && closeCanWait(w) && !openedDuringWait(w)) {
                clock_.deferClose(w);
                return true;
            }
        }
        if (isUserInput(event->type()))
            return !isKeptStep(watched, event) && !openedDuringWait(windowOf(watched));
        if (event->type() == QEvent::Close) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && w->isWindow() && closeCanWait(w) && !openedDuringWait(w)) {
                clock_.deferClose(w);
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    // A window shown since the wait began (a message box of something the wait let run).
    bool openedDuringWait(const QWidget* window) const {
        if (!window)
            return false;
        for (const QPointer<QWidget>& w : before_)
            if (w == window)
                return false;
        return true;
    }

    GuiClock& clock_;
    std::vector<QPointer<QWidget>> before_;
};

// Holds the gate up for its life; the outermost one installs and removes it.
class GuiClock::Hold {
  public:
    explicit Hold(GuiClock& clock) : clock_(clock) {
        if (clock_.depth_ == 0)
            clock_.operationLoopLevel_ = QThread::currentThread()->loopLevel();
        if (clock_.depth_++ == 0 && QCoreApplication::instance()) {
            clock_.inputGate_ = std::make_unique<Gate>(clock_);
            QCoreApplication::instance()->installEventFilter(clock_.inputGate_.get());
        }
    }
    ~Hold() {
        if (--clock_.depth_ == 0)
            clock_.inputGate_.reset(); // removes itself from the application's filters
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

  private:
    GuiClock& clock_;
};

GuiClock::GuiClock() {
    closeTimer_.setInterval(20);
    QObject::connect(&closeTimer_, &QTimer::timeout, &waker_, [this] { closeDeferred(); });
}

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
    const Hold hold(*this);
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
    return got;
}

bool GuiClock::pumpMessages() {
    // Between the slices of a wait: the window is served, input stays held and a close
    // request is kept, as during the slices themselves.
    const Hold hold(*this);
    QCoreApplication::processEvents();
    return !QCoreApplication::closingDown();
}

void GuiClock::takeStepsDuringWaits(QWidget* control, StepInput input,
                                    std::function<bool()> keeps) {
    const bool known = stepTakers().contains(control);
    stepTakers()[control] = StepTaker{input, std::move(keeps)};
    if (!known)
        QObject::connect(control, &QObject::destroyed, [control] { stepTakers().erase(control); });
}

void GuiClock::deferClose(QWidget* window) {
    for (const CloseRequest& r : closeRequests_)
        if (r.window == window)
            return;
    closeRequests_.push_back({window, operationLoopLevel_});
    closeTimer_.start();
}

// The operation has ended when no pause or wait runs and nothing modal stands over the window
// (an operation's message box, shown between its waits, keeps the operation on the stack).
void GuiClock::closeDeferred() {
    if (depth_ > 0)
        return;
    std::erase_if(closeRequests_, [](const CloseRequest& r) {
        return r.window.isNull() || !r.window->isVisible();
    });
    QWidget* const modal = QApplication::activeModalWidget();
    const int level = QThread::currentThread()->loopLevel();
    for (auto it = closeRequests_.begin(); it != closeRequests_.end(); ++it) {
        if ((modal && modal != it->window) || level > it->loopLevel)
            continue;
        const QPointer<QWidget> window = it->window;
        closeRequests_.erase(it);
        window->close(); // may run an operation of its own; the rest wait for the next tick
        break;
    }
    if (closeRequests_.empty())
        closeTimer_.stop();
}

} // namespace korvelo
