// The ZEL signalling dialog driven through its widgets against the simulated radio after a
// Tuning Init. Set KORVELO_SCREENSHOT_DIR to keep a picture of it.
#include "gui/gui_test_support.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/zel/zel_signalling_dialog.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvelo {
namespace {

void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

// A 256-block AK2347 radio, band U2.
TEST(ZelDialog, KeyedRowsToTheRadiosMemory) {
    SimBench bench;
    bench.radio.radioFlags = 0x10;
    bench.radio.radioType = 7;
    AppEnv env = bench.env();
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    bench.notifier.notices.clear();
    bench.session.image[0x3E] = 8;
    bench.session.image[0x3F] = 40;

    CZELSignalingSys dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "ZEL Siganling System Deviation");
    EXPECT_TRUE(bench.notifier.notices.empty());
    SoftpotRowWidget& r125 = dialog.rowWidget(0);
    SoftpotRowWidget& r25 = dialog.rowWidget(1);
    EXPECT_EQ(r25.frequencyEdit()->text(), "491.52500");
    EXPECT_EQ(r125.workingEdit()->text(), "8");
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "ZEL PTT Toggle");
    EXPECT_EQ(r25.workingEdit()->accessibleName().left(7), "25 KHz,");

    // A step down shows the two-character text and sets the 12.5 kHz spacing up.
    QTest::keyClick(r125.workingEdit(), Qt::Key_Down);
    EXPECT_EQ(r125.workingEdit()->text(), " 7");
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x00);
    EXPECT_EQ(bench.radio.live.zel, 7);
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "ZEL PTT ON");
    EXPECT_TRUE(bench.radio.zelTxOn);

    // Another row: unkeyed first, then set up for 25 kHz with its stored value.
    QTest::keyClick(r25.scrollBar(), Qt::Key_Right);
    EXPECT_FALSE(bench.radio.zelTxOn);
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x10);
    EXPECT_EQ(bench.radio.live.zel, 40);
    EXPECT_EQ(r25.workingEdit()->text(), "41");
    EXPECT_EQ(dialog.pttButton()->text().remove(QLatin1Char('&')), "ZEL PTT Toggle");

    typeInto(r25.workingEdit(), "77");
    QTest::keyClick(r25.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(r25.workingEdit()->text(), "63");
    EXPECT_EQ(bench.session.image[0x3F], 63);

    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    EXPECT_EQ(bench.radio.eeprom[0x3F3E], 7);
    EXPECT_EQ(bench.radio.eeprom[0x3F3F], 63);
    EXPECT_EQ(r25.defaultEdit()->text(), "63");
    EXPECT_TRUE(bench.notifier.notices.empty());
    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/zel_signalling.png"));
    }

    test::ModalDriver none([](QWidget* w) { test::dismiss(w); });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(none.seen(), 0) << "everything programmed: nothing to ask";
}

} // namespace
} // namespace korvelo
