// The ZEL signalling page against the simulated radio: the radio's ZEL check, keying with the
// ZEL frames, the image written at every commit and the Program frame.
#include "power_page_fixture.h"
#include "softpot/zel/zel_signalling_page.h"
#include "support/clock_steps.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;

enum ZelRow { Khz125, Khz25, Khz20 };

class ZelPageTest : public PowerPageTest {
  protected:
    void SetUp() override { loadRadio(); }
    void openZel() {
        page = std::make_unique<SoftpotGroup>(bench.env(), zelSignallingPage());
        page->open();
    }
    static std::string zel(int v) {
        return frame(CommandFrame::oneByte(Cmd::ZelValue, static_cast<std::uint8_t>(v)));
    }
    static std::string zelCheck() { return frame("0202 4D 4F03"); }
};

TEST_F(ZelPageTest, TheZelCheckRunsAtEveryOpeningAndWithoutAnImage) {
    bench.radio.zelSupported = false;
    for (int opening = 0; opening < 2; ++opening) {
        bench.radio.clearReceived();
        bench.notifier.notices.clear();
        openZel();
        EXPECT_THAT(frames(),
                    ElementsAre(zelCheck(), zelCheck(), zelCheck(), zelCheck(), zelCheck()));
        ASSERT_EQ(notices().size(), 1u);
        EXPECT_EQ(notices()[0].text, "There is not ZEL1200 Radio.");
        EXPECT_EQ(notices()[0].icon, Icon::Information);
        EXPECT_EQ(working(Khz25), "32"); // the rows are not filled from the image
        EXPECT_TRUE(page->pttEnabled());
    }

    bench.radio.faults.silent = true;
    bench.radio.clearReceived();
    bench.notifier.notices.clear();
    openZel();
    EXPECT_THAT(frames(), ElementsAre(zelCheck()));
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].text, "Please Power On or Change the cable.");

    // Without an image the check still runs; only 0x3E and 0x3F become 32.
    bench.radio.faults.silent = false;
    bench.radio.zelSupported = true;
    bench.session.flags.imageLoaded = false;
    bench.radio.clearReceived();
    openZel();
    EXPECT_THAT(frames(), ElementsAre(zelCheck()));
    EXPECT_EQ(bench.session.image[0x3E], 32);
    EXPECT_EQ(bench.session.image[0x3F], 32);
    EXPECT_EQ(bench.session.image[0x40], 0x40);
    EXPECT_EQ(position(Khz20), 32);
    EXPECT_FALSE(page->pttEnabled());
    EXPECT_FALSE(page->programEnabled());
}

// Rows share one frequency: the row check goes by the tag, so a spin on the 25 KHz row while
// the 12.5 KHz row is keyed unkeys and sets the radio up for the 25 kHz spacing.
TEST_F(ZelPageTest, KeyingByTagSpinTextAndTheImageWrittenAtEveryCommit) {
    bench.session.image[0x3E] = 8;
    bench.session.image[0x3F] = 20;
    bench.session.image[0x40] = 30;
    openZel();
    EXPECT_EQ(working(Khz125), "8");
    bench.radio.clearReceived();

    page->spin(Khz125, -1);
    EXPECT_EQ(working(Khz125), " 7");
    EXPECT_EQ(bench.session.image[0x3E], 7); // at once, so the set-up sends it
    ASSERT_EQ(frames().size(), 3u);
    EXPECT_EQ(bench.radio.receivedFrames()[0][2], 0x42);
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x00);
    EXPECT_EQ(frames()[1], zel(7));
    EXPECT_EQ(frames()[2], power(24)); // High Power of point 3 for every row

    page->pttToggle();
    EXPECT_EQ(page->pttCaption(), "ZEL PTT ON");
    EXPECT_TRUE(bench.radio.zelTxOn);
    bench.radio.clearReceived();
    page->spin(Khz125, +1); // same row, keyed: the live value only
    EXPECT_THAT(frames(), ElementsAre(zel(8)));
    bench.radio.clearReceived();

    page->spin(Khz25, +1);
    ASSERT_EQ(frames().size(), 4u);
    EXPECT_EQ(frames()[0], frame("0202 4B 4D03"));
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x10);
    EXPECT_EQ(frames()[2], zel(21));
    EXPECT_EQ(page->pttCaption(), "ZEL PTT Toggle");
    EXPECT_FALSE(bench.radio.zelTxOn);

    // End of scroll: the set-up sends the stored value, then the image takes the position.
    bench.radio.clearReceived();
    page->scroll(Khz20, ScrollCode::ThumbTrack, 40);
    page->endScroll(Khz20);
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x30);
    EXPECT_EQ(frames()[1], zel(30));
    EXPECT_EQ(bench.session.image[0x40], 40);
    // Enter above the scale takes 63 and writes it at once.
    type(Khz20, "70");
    page->enter(Khz20);
    EXPECT_EQ(working(Khz20), "63");
    EXPECT_EQ(bench.session.image[0x40], 63);

    // A ZEL PTT on the radio does not answer is reported after its bound.
    bench.radio.faults.silent = true;
    bench.notifier.notices.clear();
    bench.clock.clearSteps();
    page->pttToggle();
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].text, "Radio Coummunication Error");
    EXPECT_EQ(bench.clock.steps().back(), timeline::wait(3000, false));
}

TEST_F(ZelPageTest, ProgramWritesTheThreeBytesInBothFormsAndReportsNoReply) {
    for (bool big : {false, true}) {
        bench.session.flags.is256BlockMemory = big;
        bench.radio.radioFlags = big ? 0x10 : 0x00;
        openZel();
        type(Khz125, "10");
        page->enter(Khz125);
        type(Khz25, "20");
        page->enter(Khz25);
        type(Khz20, "30");
        page->enter(Khz20);
        bench.radio.clearReceived();
        page->program();
        // Checksum 0x63 (0x83 in the 256-block form) plus the sum of 10, 20 and 30; the three
        // bytes straddle two blocks, and both are read back.
        const std::uint16_t area = big ? 0x3F00 : 0x1F00;
        EXPECT_THAT(frames(), ElementsAre(frame(big ? "0202 01 3F 3E 00 03 0A 14 1E BF 03"
                                                    : "0202 01 1F 3E 00 03 0A 14 1E 9F 03"),
                                          frame(CommandFrame::readBlock(area)),
                                          frame(CommandFrame::readBlock(area + 0x40))));
        EXPECT_EQ(bench.radio.tuningArea()[0x3F], 20);
        EXPECT_EQ(page->row(Khz20).controls.defaultSoftpot, "30");
    }
    bench.radio.faults.silent = true;
    bench.notifier.notices.clear();
    page->program();
    ASSERT_EQ(notices().size(), 1u);
    EXPECT_EQ(notices()[0].text, "Radio Coummunication Error");
}

} // namespace
} // namespace korvelo
