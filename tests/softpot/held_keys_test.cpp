// A held arrow key on the program's own clock, against a radio on a pseudo-terminal answering
// at the real line rate: presses that come while the page waits for the radio are kept, shown
// at once and sent as one commit when the exchange ends, so every press counts.
#include "gui/gui_clock.h"
#include "gui/gui_test_support.h"
#include "link/command_frame.h"
#include "link/notifier.h"
#include "link/port_provider.h"
#include "link/reply_objects.h"
#include "sim/pty_radio.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txpower/tx_power_dialog.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace korvelo {
namespace {

// Key presses `apartMs` apart, each from a timer of its own so that they also come during the
// waits the earlier ones started; returns once they and the commits they led to are done.
void pressKeys(CTxPower& dialog, QScrollBar* bar, const std::vector<Qt::Key>& keys, int apartMs) {
    int pressed = 0;
    for (std::size_t i = 0; i < keys.size(); ++i)
        QTimer::singleShot(apartMs * static_cast<int>(i), Qt::PreciseTimer, &dialog,
                           [&pressed, bar, key = keys[i]] {
                               ++pressed;
                               QTest::keyClick(bar, key);
                           });
    QElapsedTimer elapsed;
    elapsed.start();
    while ((pressed < static_cast<int>(keys.size()) || dialog.group().busy()) &&
           elapsed.elapsed() < 20000)
        QTest::qWait(20);
    ASSERT_EQ(pressed, static_cast<int>(keys.size()));
    ASSERT_FALSE(dialog.group().busy());
}

void pressRightTenTimes(CTxPower& dialog, QScrollBar* bar) {
    pressKeys(dialog, bar, std::vector<Qt::Key>(10, Qt::Key_Right), 50);
}

TEST(StepsDuringAnExchange, TenQuickPressesMoveTheValueByTenKeyedAndUnkeyed) {
    sim::PtyRadio radio;
    radio.withModel([](sim::RadioModel& m) {
        m.faults.pace = true;
        m.tuningArea()[0x18] = 20; // High Power, point 2
    });
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    FixedPortProvider ports(radio.devicePath());
    ReplyObjects replies;
    GuiClock clock;
    RecordingNotifier notifier;
    Session session;
    session.flags.imageLoaded = true;
    session.flags.inTunerMode = true;
    session.flags.isAk2347Radio = true;
    session.image[0x18] = 20;
    AppEnv env{session, replies, clock, notifier, ports};
    CTxPower dialog(env, nullptr);
    dialog.show();
    SoftpotRowWidget& row = dialog.rowWidget(1);

    // Unkeyed: each commit sets the row up; the value moves by ten and Program writes it.
    pressRightTenTimes(dialog, row.scrollBar());
    EXPECT_EQ(row.workingEdit()->text(), "30");
    EXPECT_EQ(row.scrollBar()->value(), 30);
    EXPECT_FALSE(row.workingEdit()->font().italic()) << "a kept step is no typed number";
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    EXPECT_EQ(radio.withModel([](sim::RadioModel& m) { return m.tuningArea()[0x18]; }), 30);

    // Keyed: the live values go out in fewer commits than presses, rising, ending at +10.
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    ASSERT_TRUE(radio.withModel([](sim::RadioModel& m) { return m.pttOn; }));
    radio.withModel([](sim::RadioModel& m) { m.clearReceived(); });
    pressRightTenTimes(dialog, row.scrollBar());
    EXPECT_EQ(row.workingEdit()->text(), "40");
    std::vector<int> live;
    for (const auto& f : radio.withModel([](sim::RadioModel& m) { return m.receivedFrames(); }))
        if (f.size() > 5 && f[2] == static_cast<std::uint8_t>(Cmd::PowerValue))
            live.push_back(f[f.size() - 3]); // the value, before the checksum and the end byte
    RecordProperty("keyedCommits", static_cast<int>(live.size()));
    ASSERT_FALSE(live.empty());
    EXPECT_EQ(live.back(), 40) << "the radio has the final value";
    EXPECT_LT(live.size(), 10u) << "steps that came during an exchange went out as one";
    for (std::size_t i = 1; i < live.size(); ++i)
        EXPECT_GT(live[i], live[i - 1]);
    EXPECT_TRUE(notifier.notices.empty());

    // End and Home are presses too: taken during an exchange, to the bar's ends.
    pressKeys(dialog, row.scrollBar(), {Qt::Key_Right, Qt::Key_End}, 5);
    EXPECT_EQ(row.scrollBar()->value(), row.scrollBar()->maximum());
    EXPECT_EQ(row.workingEdit()->text(), QString::number(row.scrollBar()->maximum()));
    pressKeys(dialog, row.scrollBar(), {Qt::Key_Left, Qt::Key_Home}, 5);
    EXPECT_EQ(row.workingEdit()->text(), "0");

    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    dialog.reject();
    radio.stop();
}

} // namespace
} // namespace korvelo
