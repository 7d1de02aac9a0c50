// The program's end on SIGTERM with a keyed page, as the korvelo program wires it: the page
// unkeys, the radio leaves tuner mode, and the program's loops end with 128 + 15. Against the
// simulated radio on a pseudo-terminal, with the real channel and the program's clock. A test
// program of its own: the loops stay ended afterwards.
#include "gui/command_ids.h"
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "gui/main_window.h"
#include "gui/page_dialogs.h"
#include "gui/stop_signal_watch.h"
#include "link/stop_request.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txpower/tx_power_dialog.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(StopSignal, SigtermWithAKeyedPageUnkeysAndLeavesTunerMode) {
    sim::PtyRadio radio;
    ASSERT_TRUE(radio.start());
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    RecordingNotifier notifier;
    Session session;
    AppEnv env{session, replies, clock, notifier, ports};
    MainWindow window(env);
    registerPageDialogs(window.commands());
    window.startUp();
    window.show();
    TuningInit(env);
    ASSERT_TRUE(session.flags.inTunerMode);
    StopSignalWatch watch([&window](int signal) { window.stopOnSignal(signal); });

    bool keyed = false;
    test::ModalDriver driver([&](QWidget* modal) {
        auto* page = qobject_cast<CTxPower*>(modal);
        if (!page) {
            test::dismiss(modal);
            return;
        }
        if (keyed)
            return;
        QScrollBar* bar = page->rowWidget(0).scrollBar();
        bar->setFocus();
        QTest::keyClick(bar, Qt::Key_Right); // sets the radio up for the row
        QTest::mouseClick(page->pttButton(), Qt::LeftButton);
        keyed = radio.withModel([](sim::RadioModel& m) { return m.pttOn; });
        radio.withModel([](sim::RadioModel& m) { m.clearReceived(); });
        ::kill(::getpid(), SIGTERM);
    });
    // The page's dialog runs until the signal ends every loop, this one with 143; a loop still
    // running after the dialog ends with -2.
    QEventLoop outer;
    QTimer::singleShot(0, [&] {
        window.runCommand(cmd::TxPower);
        QTimer::singleShot(100, &outer, [&outer] { outer.exit(-2); });
    });
    const int exitCode = outer.exec();
    EXPECT_TRUE(keyed);
    EXPECT_FALSE(driver.timedOut());
    const auto frames = radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    EXPECT_EQ(frames,
              (std::vector<Bytes>{{0x02, 0x02, 0x82, 0x84, 0x03}, {0x02, 0x02, 0x41, 0x43, 0x03}}));
    EXPECT_FALSE(radio.withModel([](sim::RadioModel& m) { return m.pttOn || m.tunerMode; }));
    EXPECT_EQ(exitCode, 128 + SIGTERM);
    clearStopRequest();
    radio.stop();
}

} // namespace
} // namespace korvelo
