// The Transmit Modulation and Receive Squelch dialogs driven through their widgets: against the
// simulated radio after a Tuning Init (tabs, a committed row, "Program" into the radio's
// memory), and on the program's own clock with a close request during a wait. Set
// KORVELO_SCREENSHOT_DIR to keep a picture of each dialog.
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "gui/message_box_notifier.h"
#include "link/command_frame.h"
#include "radio/tuning_start.h"
#include "sim/pty_radio.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/rxsquelch/rx_squelch_dialog.h"
#include "softpot/txmodulation/tx_modulation_dialog.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvelo {
namespace {

void readRadio(SimBench& bench) {
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    ASSERT_TRUE(bench.session.flags.inTunerMode);
    bench.notifier.notices.clear();
}

void clickTab(SoftpotTabDialog& dialog, int tab) {
    QTabBar* bar = dialog.tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

std::vector<std::uint8_t> commands(const sim::RadioModel& radio) {
    std::vector<std::uint8_t> out;
    for (const auto& f : radio.receivedFrames())
        out.push_back(f.size() > 2 ? f[2] : 0);
    return out;
}

void screenshot(QWidget& w, const char* name) {
    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        EXPECT_TRUE(w.grab().save(QString::fromLocal8Bit(dir) + "/" + name));
    }
}

// A 256-block CMX148 radio: deviation shown as 0.00..3.95.
TEST(TabDialogs, TransmitModulationFromTabsToTheRadiosMemory) {
    SimBench bench;
    bench.radio.radioFlags = 0x30;
    AppEnv env = bench.env();
    {
        CTxFrequency early(env, nullptr); // nothing read yet: the tabs are refused
        early.show();
        clickTab(early, 1);
        EXPECT_EQ(early.tabs()->currentIndex(), 0);
        EXPECT_FALSE(early.tabs()->isTabEnabled(1));
        EXPECT_TRUE(bench.radio.receivedFrames().empty());
        early.reject();
    }
    readRadio(bench);
    CTxFrequency dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Transmit Modulation");
    EXPECT_EQ(dialog.tabs()->tabText(0) + dialog.tabs()->tabText(1) + dialog.tabs()->tabText(2),
              "12.5KHz25KHz20KHz");
    EXPECT_EQ(dialog.page(0).rowWidget(0).workingEdit()->text(), "1.15"); // raw 23
    SoftpotPageWidget& p20 = dialog.page(2);
    SoftpotRowWidget& row = p20.rowWidget(0);
    EXPECT_EQ(row.workingEdit()->accessibleName(), "20KHz, point 1, Working Softpot");
    EXPECT_EQ(row.frequencyEdit()->text(), "136.00000");
    bench.radio.clearReceived();

    clickTab(dialog, 2);
    EXPECT_EQ(dialog.tabs()->currentIndex(), 2);
    EXPECT_EQ(commands(bench.radio), (std::vector<std::uint8_t>{0x42, 0xB3, 0x44}));
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x30);
    EXPECT_EQ(bench.radio.live.cmxRegisters[2], 35);

    // The page's first commit sets its row up again; keyed, each key then moves the deviation
    // the way it points and goes out live.
    QTest::keyClick(row.scrollBar(), Qt::Key_Right);
    EXPECT_EQ(row.workingEdit()->text(), "1.80");
    EXPECT_EQ(bench.radio.live.cmxRegisters[2], 35) << "the stored value";
    QTest::mouseClick(p20.pttButton(), Qt::LeftButton);
    EXPECT_EQ(p20.pttButton()->text().remove(QLatin1Char('&')), "PTT ON");
    QTest::keyClick(row.scrollBar(), Qt::Key_Right);
    EXPECT_EQ(row.workingEdit()->text(), "1.85");
    EXPECT_EQ(bench.radio.live.cmxRegisters[2], 37);
    QTest::keyClick(row.scrollBar(), Qt::Key_Left);
    EXPECT_EQ(row.workingEdit()->text(), "1.80");
    EXPECT_EQ(bench.radio.live.cmxRegisters[2], 36);

    // The edit takes what the scale can show; a typed value waits, marked, for Enter.
    typeInto(row.workingEdit(), "1.2.5x");
    EXPECT_EQ(row.workingEdit()->text(), "1.25");
    EXPECT_TRUE(row.workingEdit()->font().italic());
    EXPECT_EQ(p20.statusLine()->text(), "Press Enter to use 1.25 for 20KHz, point 1.");
    QTest::keyClick(row.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(bench.session.image[0x8D], 25) << "Enter writes the image at once";
    EXPECT_EQ(bench.radio.live.cmxRegisters[2], 25);
    // The PTT key of every keying page, wherever the focus is on the page shown.
    EXPECT_TRUE(p20.pttButton()->toolTip().contains("Ctrl+K"));
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(row.workingEdit(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_FALSE(bench.radio.pttOn);

    // Tab order: the rows, PTT, Program, then the tab bar.
    p20.pttButton()->setFocus();
    ASSERT_TRUE(dialog.programButton()->isEnabled());
    QTest::keyClick(p20.pttButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.programButton());
    QTest::keyClick(dialog.programButton(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.tabs()->tabBar());

    clickTab(dialog, 0);
    EXPECT_EQ(p20.pttButton()->text().remove(QLatin1Char('&')), "PTT Toggle");
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    EXPECT_EQ(bench.radio.tuningArea()[0x8D], 25);
    EXPECT_EQ(bench.radio.eeprom[0x3F8D], 25);
    EXPECT_EQ(row.defaultEdit()->text(), "1.25");
    EXPECT_EQ(dialog.page(0).statusLine()->text().left(10), "Programmed");
    EXPECT_TRUE(bench.notifier.notices.empty());
    screenshot(dialog, "tx_modulation.png");

    test::ModalDriver none([](QWidget* w) { test::dismiss(w); });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(none.seen(), 0) << "everything programmed: nothing to ask";
}

// A 256-block AK2347 radio; squelch has no transmitter to key.
TEST(TabDialogs, ReceiveSquelchFromTabsToTheRadiosMemory) {
    SimBench bench;
    bench.radio.radioFlags = 0x10;
    readRadio(bench);
    AppEnv env = bench.env();
    CRxSquelch dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Receive Squelch");
    QStringList boxes;
    for (auto* box : dialog.page(0).findChildren<QGroupBox*>())
        boxes << box->title();
    EXPECT_EQ(boxes, QStringList({"Normal Squelch", "Tight Squelch"}));
    bool heading = false;
    for (auto* l : dialog.page(0).findChildren<QLabel*>())
        heading = heading || l->text() == "Frequency Point (MHz)";
    EXPECT_TRUE(heading);
    EXPECT_EQ(dialog.page(0).pttButton(), nullptr);
    bench.radio.clearReceived();

    clickTab(dialog, 1);
    EXPECT_TRUE(bench.radio.receivedFrames().empty()) << "a squelch tab change sends nothing";
    SoftpotRowWidget& t2 = dialog.page(1).rowWidget(6);
    EXPECT_EQ(t2.workingEdit()->accessibleName(), "Tight Squelch, point 2, Working Softpot");
    EXPECT_EQ(t2.workingEdit()->text(), "30");
    QTest::keyClick(t2.scrollBar(), Qt::Key_PageDown);
    EXPECT_EQ(commands(bench.radio), (std::vector<std::uint8_t>{0x42, 0x45}));
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x18);
    EXPECT_EQ(bench.radio.live.squelch, std::optional<std::uint8_t>(30)) << "the stored value";
    bench.radio.clearReceived();
    QTest::keyClick(t2.scrollBar(), Qt::Key_Right);
    EXPECT_EQ(commands(bench.radio), (std::vector<std::uint8_t>{0x45}));
    EXPECT_EQ(bench.radio.live.squelch, std::optional<std::uint8_t>(36));

    bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Silent, sim::Answer::Silent});
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    EXPECT_EQ(bench.notifier.notices,
              (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_EQ(t2.defaultEdit()->text(), "30") << "not confirmed";
    EXPECT_EQ(dialog.page(1).statusLine()->text(),
              "The radio did not confirm Program: the new values are only in the tuning image.");
    clickTab(dialog, 2);
    typeInto(dialog.page(2).rowWidget(0).workingEdit(), "50"); // typed, not entered
    screenshot(dialog, "rx_squelch.png");

    QStringList asked;
    {
        test::ModalDriver program([&asked](QWidget* w) {
            if (auto* box = qobject_cast<QMessageBox*>(w))
                asked << box->text();
            EXPECT_TRUE(test::clickButton(w, "Program"));
        });
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }
    EXPECT_EQ(asked, QStringList{"2 values have not been programmed into the radio. Program them "
                                 "now?"});
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(bench.radio.eeprom[0x3F2D], 36);
    EXPECT_EQ(bench.radio.eeprom[0x3F34], 50);
    EXPECT_EQ(bench.radio.eeprom[0x3F52], 0x0F);
}

// Keyed, a live value the radio never answers, and a close request meanwhile: the send ends at
// its bound, then the dialog closes as it always does, with PTT off on the port the send has
// let go of.
// The close box, or Escape, pressed while a live value waits for its answer: the dialog closes
// once the send has ended (PTT off on the way out), never in the middle of it, and the key is
// not lost.
class CloseDuringAWait : public ::testing::TestWithParam<bool> {};

TEST_P(CloseDuringAWait, IsHonouredWhenTheSendEnds) {
    const bool escape = GetParam();
    sim::PtyRadio radio;
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    MessageBoxNotifier notifier;
    Session session;
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.flags.spacingTabsEnabled = 1;
    session.image[0x02] = 63; // 12.5 kHz, point 1 at the top: a key press keeps the value
    AppEnv env{session, replies, clock, notifier, ports};
    CTxFrequency dialog(env, nullptr);

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
    QTimer::singleShot(200, &dialog, [&] {
        QScrollBar* bar = dialog.page(0).rowWidget(0).scrollBar();
        QTest::keyClick(bar, Qt::Key_Right); // sets the row up
        QTest::mouseClick(dialog.page(0).pttButton(), Qt::LeftButton);
        ASSERT_TRUE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
        radio.withModel([](sim::RadioModel& m) {
            m.clearReceived();
            m.scriptAnswers(Cmd::Modulation, {sim::Answer::Silent});
        });
        QTimer::singleShot(500, [&] {
            closeAt = elapsed.elapsed();
            if (escape)
                QTest::keyClick(dialog.page(0).rowWidget(0).scrollBar(), Qt::Key_Escape);
            else
                dialog.windowHandle()->close();
        });
        sendStart = elapsed.elapsed();
        QTest::keyClick(bar, Qt::Key_Right); // live, never answered
        sendEnd = elapsed.elapsed();
    });
    elapsed.start();
    dialog.exec();
    radio.stop();

    EXPECT_FALSE(driver.timedOut());
    EXPECT_GT(closeAt, sendStart);
    EXPECT_LT(closeAt, sendEnd);
    EXPECT_GE(sendEnd - sendStart, 3000) << "the send ran to its bound";
    EXPECT_EQ(messages.join(" | ").toStdString(), "Radio Coummunication Error");
    const auto frames = radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); });
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], hexToBytes(CommandFrame::oneByte(Cmd::Modulation, 63)));
    EXPECT_EQ(frames[1], hexToBytes(CommandFrame::pttOff()));
    EXPECT_FALSE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
    EXPECT_FALSE(session.flags.portFault);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << w->windowTitle().toStdString();
}

INSTANTIATE_TEST_SUITE_P(TabDialogsOnTheGuiClock, CloseDuringAWait, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Escape" : "CloseBox"; });

} // namespace
} // namespace korvelo
