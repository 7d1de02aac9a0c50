// A PTT off the radio did not confirm leaves the transmitter's state unknown: on every page that
// keys, "PTT Toggle" then offers and sends PTT off, by real clicks, until the radio confirms
// one; never PTT on.
#include "gui/gui_test_support.h"
#include "gui/transmit_banner.h"
#include "radio/tuning_start.h"
#include "softpot/gui/softpot_row_widget.h"
#include "softpot/txmodulation/tx_modulation_dialog.h"
#include "softpot/txpower/tx_power_dialog.h"
#include "softpot/txsubaudio/tx_sub_audio_dialog.h"
#include "softpot/zel/zel_signalling_dialog.h"
#include "support/sim_bench.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace korvelo {
namespace {

struct KeyingPage {
    const char* name;
    QPushButton* ptt;
    QScrollBar* bar;
    std::uint8_t onCommand;
    std::uint8_t offCommand;
    QString offCaption;
    std::function<bool()> transmitting;
};

std::uint8_t lastCommand(const sim::RadioModel& radio) {
    const auto frames = radio.receivedFrames();
    return frames.empty() || frames.back().size() < 3 ? 0 : frames.back()[2];
}

void pttOffUntilConfirmed(SimBench& bench, const KeyingPage& p) {
    SCOPED_TRACE(p.name);
    QTest::keyClick(p.bar, Qt::Key_Right); // sets the row up
    const auto* banner = p.ptt->parentWidget()->findChild<TransmitBanner*>();
    ASSERT_NE(banner, nullptr);
    EXPECT_FALSE(banner->isVisible());
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    ASSERT_TRUE(p.transmitting());
    // Keyed: the page says so in words, on the page itself, and so does the button.
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->accessibleName(), "Transmitting");
    EXPECT_TRUE(banner->text().startsWith(QStringLiteral("TRANSMITTING \u2014 ")) &&
                banner->text().contains(" MHz"))
        << banner->text().toStdString();
    EXPECT_TRUE(p.ptt->accessibleName().contains("transmitting"))
        << p.ptt->accessibleName().toStdString();
    EXPECT_TRUE(p.ptt->toolTip().startsWith("Transmitting") && p.ptt->toolTip().contains("Ctrl+K"))
        << p.ptt->toolTip().toStdString();

    // The radio stops answering: a keyed commit times out, then the button's PTT off does.
    bench.radio.faults.silent = true;
    QTest::keyClick(p.bar, Qt::Key_Right);
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    EXPECT_EQ(lastCommand(bench.radio), p.offCommand);
    const QString offer = "Send " + p.offCaption;
    EXPECT_EQ(p.ptt->text().remove(QLatin1Char('&')), offer);
    EXPECT_EQ(p.ptt->accessibleName(), offer);
    EXPECT_TRUE(p.ptt->toolTip().contains("may still be on")) << p.ptt->toolTip().toStdString();
    EXPECT_TRUE(p.ptt->isEnabled());
    EXPECT_TRUE(banner->isVisible()) << "the transmitter may still be on";

    // Still silent: the button goes on sending off.
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    EXPECT_EQ(lastCommand(bench.radio), p.offCommand);
    EXPECT_EQ(p.ptt->text().remove(QLatin1Char('&')), offer);

    // The radio answers again: the next press sends off, and only a confirmed off lets the
    // press after it key.
    bench.radio.faults.silent = false;
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    EXPECT_EQ(lastCommand(bench.radio), p.offCommand);
    EXPECT_FALSE(p.transmitting());
    EXPECT_EQ(p.ptt->text().remove(QLatin1Char('&')), p.offCaption);
    EXPECT_FALSE(p.ptt->toolTip().contains("may still be on"));
    EXPECT_FALSE(bench.session.transmitterMayBeOn);
    EXPECT_FALSE(banner->isVisible());
    EXPECT_TRUE(p.ptt->accessibleName().contains("not transmitting"));
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    EXPECT_EQ(lastCommand(bench.radio), p.onCommand);
    EXPECT_TRUE(p.transmitting());
    EXPECT_TRUE(banner->isVisible());
    QTest::mouseClick(p.ptt, Qt::LeftButton);
    EXPECT_FALSE(p.transmitting());
    EXPECT_FALSE(banner->isVisible()) << "hidden after PTT off";
}

TEST(PttStateUnknown, EveryKeyingPageOffersAndSendsOffUntilTheRadioConfirmsIt) {
    test::ModalDriver discard([](QWidget* w) { test::clickButton(w, "Discard"); });
    {
        SimBench bench;
        bench.radio.radioType = 3;
        TuningInit(bench.env());
        AppEnv env = bench.env();
        CTxPower dialog(env, nullptr);
        dialog.show();
        pttOffUntilConfirmed(bench,
                             {"Transmit Power", dialog.pttButton(), dialog.rowWidget(1).scrollBar(),
                              0x81, 0x82, "PTT OFF", [&] { return bench.radio.pttOn; }});
        dialog.reject();
    }
    {
        SimBench bench;
        bench.radio.radioFlags = 0x10;
        bench.radio.radioType = 7;
        TuningInit(bench.env());
        AppEnv env = bench.env();
        CZELSignalingSys dialog(env, nullptr);
        dialog.show();
        pttOffUntilConfirmed(bench,
                             {"ZEL", dialog.pttButton(), dialog.rowWidget(0).scrollBar(), 0x4A,
                              0x4B, "ZEL PTT OFF", [&] { return bench.radio.zelTxOn; }});
        dialog.reject();
    }
    {
        SimBench bench;
        bench.radio.radioFlags = 0x30;
        TuningInit(bench.env());
        AppEnv env = bench.env();
        CTxFrequency dialog(env, nullptr);
        dialog.show();
        pttOffUntilConfirmed(bench, {"Transmit Modulation", dialog.page(0).pttButton(),
                                     dialog.page(0).rowWidget(0).scrollBar(), 0x81, 0x82, "PTT OFF",
                                     [&] { return bench.radio.pttOn; }});
        dialog.reject();
    }
    {
        SimBench bench;
        bench.radio.radioFlags = 0x30;
        TuningInit(bench.env());
        AppEnv env = bench.env();
        CTxSubTone dialog(env, nullptr);
        dialog.show();
        pttOffUntilConfirmed(bench, {"Sub Audio", dialog.page(0).pttButton(),
                                     dialog.page(0).rowWidget(3).scrollBar(), 0x48, 0x49, "PTT OFF",
                                     [&] { return bench.radio.subAudioOn; }});
        dialog.reject();
    }
}

} // namespace
} // namespace korvelo
