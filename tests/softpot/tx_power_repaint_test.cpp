// The page on the program's own clock: while it waits for the radio the window keeps painting
// (and shows what the radio is being told), and a reply ends the wait at once.
#include "gui/gui_clock.h"
#include "softpot/txpower/tx_power_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace korvelo {
namespace {

// Answers every write with an ACK from another thread, 300 ms later, like a slow radio.
class SlowAckChannel : public Channel {
  public:
    explicit SlowAckChannel(ReplyObjects& replies) : replies_(replies) {}
    ~SlowAckChannel() override { close(); }
    OpenResult open(const PortSettings&) override {
        open_ = true;
        return {true, false, {}};
    }
    void close() override {
        if (answer_.joinable())
            answer_.join();
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    std::size_t write(const std::uint8_t*, std::size_t n) override {
        if (answer_.joinable())
            answer_.join();
        answer_ = std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            static const std::uint8_t ack[] = {0x02, 0x10, 0x06, 0x16, 0x03};
            replies_.feed(ack, sizeof ack);
            replies_.endOfReceiveEvent();
        });
        return n;
    }

  private:
    ReplyObjects& replies_;
    std::thread answer_;
    bool open_ = false;
};

class SlowPorts : public PortProvider {
  public:
    std::optional<std::string> choosePort(Notifier&, bool&) override { return std::string("SLOW"); }
    std::unique_ptr<Channel> makeChannel(ReplyObjects& r) override {
        return std::make_unique<SlowAckChannel>(r);
    }
};

class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST(TxPowerOnTheGuiClock, WaitsKeepTheWindowPaintedAndEndOnTheReply) {
    int argc = 1;
    char name[] = "softpot_tx_power_repaint_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    Session session;
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    ReplyObjects replies;
    GuiClock clock;
    RecordingNotifier notifier;
    SlowPorts ports;
    AppEnv env{session, replies, clock, notifier, ports};
    CTxPower dialog(env, nullptr);
    dialog.show();

    PaintCounter counter;
    dialog.pttButton()->installEventFilter(&counter);
    int paintsWhileWaiting = 0;
    QString captionWhileWaiting;
    QTimer probe;
    probe.setInterval(20);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (dialog.group().busy()) {
            dialog.pttButton()->update();
            paintsWhileWaiting = counter.paints;
            captionWhileWaiting = dialog.pttButton()->text();
        }
    });
    probe.start();
    const int paintsBefore = counter.paints;
    QElapsedTimer elapsed;
    elapsed.start();
    dialog.group().pttToggle();
    const qint64 ms = elapsed.elapsed();

    RecordProperty("toggleMs", static_cast<int>(ms));
    RecordProperty("buttonPaintsDuringWait", paintsWhileWaiting - paintsBefore);
    EXPECT_GT(paintsWhileWaiting, paintsBefore) << "the button was repainted during the wait";
    EXPECT_EQ(captionWhileWaiting, "PTT ON");
    EXPECT_GE(ms, 250) << "the pause ran alongside the slow reply";
    EXPECT_TRUE(notifier.notices.empty()) << "the reply, not the 2,500 ms bound, ended the wait";
    dialog.reject();
}

} // namespace
} // namespace korvelo
