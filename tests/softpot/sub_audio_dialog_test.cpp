// The Sub Audio Tx dialog driven through its widgets against the simulated radio after a Tuning
// Init. Set KORVELO_SCREENSHOT_DIR to keep a picture of it.
#include "gui/gui_test_support.h"
#include "link/command_frame.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txsubaudio/tx_sub_audio_dialog.h"
#include "support/sim_bench.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvelo {
namespace {

// A 256-block CMX148 radio, band V1.
TEST(SubAudioDialog, ToneKeyedAndProgrammed) {
    SimBench bench;
    bench.radio.radioFlags = 0x30;
    AppEnv env = bench.env();
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    bench.notifier.notices.clear();
    bench.session.image[0x9B] = 20; // CTCSS high, F1, 12.5 kHz: 1.00

    CTxSubTone dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Sub Audio Tx (CMX148 $CD)");
    SoftpotPageWidget& page = dialog.page(0);
    SoftpotRowWidget& row = page.rowWidget(3);
    EXPECT_EQ(row.workingEdit()->text(), "1.00");
    EXPECT_EQ(row.frequencyEdit()->text(), "136.00000");
    QComboBox* high = page.codeList(1);
    EXPECT_EQ(high->count(), 18);
    EXPECT_TRUE(high->isEnabled());

    // Pick "156.7" from the keyboard, commit the row, key: 0x48 with code 26.
    high->setFocus();
    QTest::keyClick(high, Qt::Key_Down);
    EXPECT_EQ(high->currentText(), "156.7");
    QTest::keyClick(row.scrollBar(), Qt::Key_Right);
    EXPECT_EQ(row.workingEdit()->text(), "1.05");
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x00);
    QTest::mouseClick(page.pttButton(), Qt::LeftButton);
    EXPECT_EQ(page.pttButton()->text().remove(QLatin1Char('&')), "PTT ON");
    EXPECT_TRUE(bench.radio.subAudioOn);
    EXPECT_EQ(bytesToHex(bench.radio.receivedFrames().back()),
              bytesToHex(hexToBytes(CommandFrame::oneByte(Cmd::SubAudioOn, 26))));

    // Keyed, a typed grid value goes out live; Program writes it into the radio's memory.
    row.workingEdit()->selectAll();
    QTest::keyClick(row.workingEdit(), Qt::Key_Backspace);
    QTest::keyClicks(row.workingEdit(), "1.25");
    QTest::keyClick(row.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(bench.radio.live.cmxRegisters[4], 25);
    QTest::mouseClick(page.pttButton(), Qt::LeftButton);
    EXPECT_FALSE(bench.radio.subAudioOn);
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    EXPECT_EQ(bench.radio.eeprom[0x3F9B], 25);
    EXPECT_EQ(row.defaultEdit()->text(), "1.25");
    EXPECT_TRUE(bench.notifier.notices.empty());
    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/tx_sub_audio.png"));
    }

    test::ModalDriver none([](QWidget* w) { test::dismiss(w); });
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(none.seen(), 0);
}

} // namespace
} // namespace korvelo
