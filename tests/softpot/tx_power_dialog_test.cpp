// The "Transmit Power" dialog on the simulated radio: the controls reach the page and the
// page reaches the radio. Set KORVELO_SCREENSHOT_DIR to keep a picture of the page.
#include "link/command_frame.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/gui/up_down_control.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "support/sim_bench.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace korvelo {
namespace {

// One application for the whole run, gone before the program's exit handlers run.
class QtApp : public ::testing::Environment {
  public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[32] = "softpot_tx_power_dialog_test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] auto* const qtApp = ::testing::AddGlobalTestEnvironment(new QtApp);

// Tuning Init of the simulated radio, as the technician starts.
void readRadio(SimBench& bench) {
    TuningInit(bench.env());
    ASSERT_TRUE(bench.session.flags.imageLoaded);
    ASSERT_TRUE(bench.session.flags.inTunerMode);
    bench.notifier.notices.clear(); // its own success message
}

QToolButton* arrow(UpDownControl* c, Qt::ArrowType type) {
    for (auto* b : c->findChildren<QToolButton*>())
        if (b->arrowType() == type)
            return b;
    return nullptr;
}

std::uint8_t commandOf(const std::vector<std::uint8_t>& frame) {
    return frame.size() > 2 ? frame[2] : 0;
}

TEST(TxPowerDialog, DrivesTheRadioFromItsControls) {
    SimBench bench;
    bench.radio.radioType = 3;
    for (std::size_t i = 0; i < 10; ++i) // High and Low softpots as a radio would hold them
        bench.radio.tuningArea()[0x16 + i] =
            static_cast<std::uint8_t>(i % 2 == 0 ? 44 + i : 18 + i);
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Transmit Power");
    SoftpotRowWidget& row = dialog.rowWidget(2); // High Power, point 3
    EXPECT_EQ(row.workingEdit()->accessibleName(), "High Power, point 3, Working Softpot");
    EXPECT_EQ(row.frequencyEdit()->text(), "370.02500");
    EXPECT_FALSE(row.frequencyEdit()->isEnabled());
    EXPECT_TRUE(row.scrollBar()->isEnabled());
    EXPECT_TRUE(dialog.pttButton()->isEnabled());
    const std::uint8_t stored = bench.session.image[0x1A];
    EXPECT_EQ(row.defaultEdit()->text(), QString::number(stored));
    bench.radio.clearReceived();

    // A page step by keyboard commits at once: a row setup with the stored value.
    QTest::keyClick(row.scrollBar(), Qt::Key_PageDown);
    const int stepped = std::min(63, std::min<int>(stored, 63) + 5);
    EXPECT_EQ(row.workingEdit()->text(), QString::number(stepped));
    auto frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(commandOf(frames[0]), 0x42);
    EXPECT_EQ(frames[1], hexToBytes(CommandFrame::oneByte(Cmd::PowerValue, stored)));

    // Keyed: the thumb sends nothing while it moves and the value when it is let go.
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.pttButton()->text(), "PTT ON");
    EXPECT_TRUE(bench.radio.pttOn);
    bench.radio.clearReceived();
    row.scrollBar()->setSliderDown(true);
    row.scrollBar()->setSliderPosition(40);
    row.scrollBar()->setSliderPosition(41);
    EXPECT_TRUE(bench.radio.receivedFrames().empty());
    row.scrollBar()->setSliderDown(false);
    EXPECT_EQ(bench.radio.live.power, 41);
    EXPECT_EQ(row.workingEdit()->text(), "41");

    QTest::mouseClick(arrow(row.upDown(), Qt::UpArrow), Qt::LeftButton);
    EXPECT_EQ(bench.radio.live.power, 42);
    EXPECT_EQ(row.scrollBar()->value(), 42);

    row.workingEdit()->selectAll();
    QTest::keyClicks(row.workingEdit(), "70");
    QTest::keyClick(row.workingEdit(), Qt::Key_Return);
    EXPECT_EQ(row.workingEdit()->text(), "63");
    EXPECT_EQ(bench.radio.live.power, 63);
    EXPECT_TRUE(dialog.isVisible()) << "Enter belongs to the edit, not to a default button";
    EXPECT_EQ(dialog.pttButton()->text(), "PTT ON");

    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.pttButton()->text(), "PTT OFF");
    EXPECT_FALSE(bench.radio.pttOn);

    bench.radio.clearReceived();
    QTest::mouseClick(dialog.programButton(), Qt::LeftButton);
    frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(commandOf(frames[0]), 0x01);
    EXPECT_EQ(bench.radio.tuningArea()[0x1A], 63);
    EXPECT_EQ(row.defaultEdit()->text(), "63");

    if (const char* dir = std::getenv("KORVELO_SCREENSHOT_DIR")) {
        EXPECT_TRUE(dialog.grab().save(QString::fromLocal8Bit(dir) + "/tx_power.png"));
    }

    // Keyed again and closed with Escape: the transmitter is switched off.
    QTest::mouseClick(dialog.pttButton(), Qt::LeftButton);
    bench.radio.clearReceived();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    frames = bench.radio.receivedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(commandOf(frames[0]), 0x82);
    EXPECT_FALSE(bench.radio.pttOn);
    EXPECT_TRUE(bench.notifier.notices.empty());
}

TEST(TxPowerDialog, Type2RadioOffersOnlyTwoPointsAndEveryControlIsNamed) {
    SimBench bench;
    bench.radio.radioType = 2;
    readRadio(bench);
    AppEnv env = bench.env();
    CTxPower dialog(env, nullptr);
    dialog.show();
    for (int r = 0; r < 10; ++r) {
        SoftpotRowWidget& row = dialog.rowWidget(r);
        const bool usable = r % 5 >= 3;
        EXPECT_EQ(row.scrollBar()->isEnabled(), usable) << r;
        EXPECT_EQ(row.workingEdit()->isEnabled(), usable) << r;
        for (QWidget* w :
             {static_cast<QWidget*>(row.frequencyEdit()), static_cast<QWidget*>(row.defaultEdit()),
              static_cast<QWidget*>(row.scrollBar()), static_cast<QWidget*>(row.workingEdit()),
              static_cast<QWidget*>(arrow(row.upDown(), Qt::UpArrow)),
              static_cast<QWidget*>(arrow(row.upDown(), Qt::DownArrow))})
            EXPECT_TRUE(
                w->accessibleName().startsWith(r < 5 ? "High Power, point " : "Low Power, point "))
                << r;
    }
    EXPECT_EQ(dialog.rowWidget(0).frequencyEdit()->text(), "UNSUPPORTED");
    EXPECT_EQ(dialog.rowWidget(9).frequencyEdit()->text(), "247.000000");
    dialog.reject();
}

} // namespace
} // namespace korvelo
