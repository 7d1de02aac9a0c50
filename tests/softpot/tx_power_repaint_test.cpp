// The page on the program's own clock: while it waits for the radio the window keeps painting
// (and shows what the radio is being told), a reply ends the wait at once, and a close request
// waits for the operation to end.
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "gui/message_box_notifier.h"
#include "link/command_frame.h"
#include "sim/pty_radio.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txpower/tx_power_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWindow>

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
            captionWhileWaiting = dialog.pttButton()->text().remove(QLatin1Char('&'));
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

// Keyed, a live value the radio never answers, and a close request (the close box) meanwhile:
// the send ends at its bound, then the page closes as it always does, with PTT off on the
// port the send has let go of. Nothing else opens the port, no window is left open.
TEST(TxPowerOnTheGuiClock, ACloseRequestDuringAWaitIsHonouredWhenTheSendEnds) {
    sim::PtyRadio radio;
    radio.withModel([](sim::RadioModel& m) { m.tuningArea()[0x16] = 63; });
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    MessageBoxNotifier notifier;
    Session session;
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.image[0x16] = 63; // High Power, point 1 at the top: a key press keeps the value
    AppEnv env{session, replies, clock, notifier, ports};
    CTxPower dialog(env, nullptr);

    QStringList messages;
    test::ModalDriver driver(
        [&](QWidget* w) {
            if (w == &dialog)
                return;
            if (auto* box = qobject_cast<QMessageBox*>(w))
                messages << box->text();
            QTest::keyClick(w, Qt::Key_Return);
        },
        20000);
    QElapsedTimer elapsed;
    qint64 closeAt = -1, sendStart = -1, sendEnd = -1;
    bool openAfterSend = false;
    QTimer::singleShot(200, &dialog, [&] {
        QScrollBar* bar = dialog.rowWidget(0).scrollBar();
        QTest::keyClick(bar, Qt::Key_Right); // sets the row up
        QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
        ASSERT_TRUE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
        radio.withModel([](sim::RadioModel& m) {
            m.clearReceived();
            m.scriptAnswers(Cmd::PowerValue, {sim::Answer::Silent});
        });
        QTimer::singleShot(500, [&] {
            closeAt = elapsed.elapsed();
            dialog.windowHandle()->close();
        });
        sendStart = elapsed.elapsed();
        QTest::keyClick(bar, Qt::Key_Right); // live, never answered
        sendEnd = elapsed.elapsed();
        openAfterSend = dialog.isVisible();
    });
    elapsed.start();
    dialog.exec();
    radio.stop();

    EXPECT_FALSE(driver.timedOut());
    EXPECT_GT(closeAt, sendStart);
    EXPECT_LT(closeAt, sendEnd);
    EXPECT_GE(sendEnd - sendStart, 3000) << "the send ran to its bound";
    EXPECT_TRUE(openAfterSend);
    EXPECT_EQ(messages.join(" | ").toStdString(), "Radio Coummunication Error");
    const auto frames = radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], hexToBytes(CommandFrame::oneByte(Cmd::PowerValue, 63)));
    EXPECT_EQ(frames[1], hexToBytes(CommandFrame::pttOff()));
    EXPECT_FALSE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
    EXPECT_FALSE(session.flags.portFault);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
}

} // namespace
} // namespace korvelo
