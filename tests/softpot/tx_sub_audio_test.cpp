// The transmit sub-audio pages and their host against the simulated radio: the 0.05 scale, the
// tone or code the transmitter is keyed with, the band rules and the two Program writes.
#include "softpot/txsubaudio/tx_sub_audio_pages.h"
#include "support/clock_steps.h"
#include "tab_host_fixture.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;
using namespace timeline;

class SubAudioTest : public TabHostTest {
  protected:
    void SetUp() override { loadHostRadio(0, /*ak2347=*/false); }
    static std::string sub(int v) {
        return frame(CommandFrame::cmxRegister(0x04, static_cast<std::uint8_t>(v)));
    }
    static std::string subOn(int code) {
        return frame(CommandFrame::oneByte(Cmd::SubAudioOn, static_cast<std::uint8_t>(code)));
    }
    static std::string subOff() { return frame("0202 49 4B03"); }
};

TEST_F(SubAudioTest, StepsKeepToTheGridAndEnterRefusesOffGridOrNegativeValues) {
    bench.session.image[0x98] = 79; // row 1 at 3.95
    bench.session.image[0xED] = 0;  // row 2 at 0.00
    bench.session.image[0xF6] = 3;  // row 3 at 0.15
    bench.session.image[0x9B] = 7;  // row 4 at 0.35
    openHost(txSubAudioHost());
    SoftpotGroup& p = host->page(0);
    p.spin(0, +1);
    EXPECT_EQ(p.row(0).controls.working, "3.95");
    p.spin(1, -1);
    EXPECT_EQ(p.row(1).controls.working, "0.00");
    p.spin(2, -1);
    EXPECT_EQ(p.row(2).controls.working, "0.10");
    EXPECT_EQ(p.row(2).controls.position, 2);
    p.spin(3, +1);
    EXPECT_EQ(p.row(3).controls.working, "0.40");
    EXPECT_EQ(p.row(3).controls.position, 8);

    p.setWorkingEditText(3, "1.23");
    p.enter(3);
    EXPECT_EQ(p.row(3).controls.working, "0.35");
    p.setWorkingEditText(3, "-0.05");
    p.enter(3);
    EXPECT_EQ(p.row(3).controls.working, "0.35");
    EXPECT_EQ(bench.session.image[0x9B], 7);
    p.pttToggle();
    bench.radio.clearReceived();
    p.setWorkingEditText(3, "1.25");
    p.enter(3);
    EXPECT_EQ(bench.session.image[0x9B], 25);
    EXPECT_EQ(p.row(3).controls.working, "1.25");
    EXPECT_THAT(frames(), ElementsAre(sub(25)));
}

TEST_F(SubAudioTest, KeyingSendsTheSelectedToneOrCode) {
    openHost(txSubAudioHost());
    SoftpotGroup& p = host->page(0);
    // Before any row setup: the first tone the first list shows.
    p.pttToggle();
    p.pttToggle();
    EXPECT_THAT(frames(), ElementsAre(subOn(1), subOff()));
    EXPECT_EQ(p.pttCaption(), "PTT OFF");

    p.selectCode(1, 0); // "151.4"
    p.spin(3, +1);
    EXPECT_EQ(p.code(), 25);
    p.selectCode(1, 17); // "254.1"
    p.spin(4, +1);
    EXPECT_EQ(p.code(), 42);
    p.selectCode(2, 84); // "754"
    p.spin(8, +1);
    EXPECT_EQ(p.code(), 127);
    p.selectCode(2, 0); // "023"
    p.spin(7, +1);
    EXPECT_EQ(p.code(), 43);
    bench.radio.clearReceived();
    p.pttToggle();
    EXPECT_EQ(p.pttCaption(), "PTT ON");
    EXPECT_THAT(frames(), ElementsAre(subOn(43)));
    EXPECT_TRUE(bench.radio.subAudioOn);

    // Another row: unkeyed first, 200 ms to settle, then the set-up.
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    p.spin(0, +1);
    ASSERT_GE(frames().size(), 2u);
    EXPECT_EQ(frames()[0], subOff());
    ASSERT_GE(bench.clock.steps().size(), 3u);
    EXPECT_EQ(bench.clock.steps()[0], sleep(100));
    EXPECT_EQ(bench.clock.steps()[2], sleep(200));
    EXPECT_EQ(p.code(), 1);
    // The set-up sends the first power softpot, then the row's stored value.
    EXPECT_EQ(frames()[2], power(20));
}

TEST_F(SubAudioTest, BandV2TabSetupAtThirteenPointSixAndNoImageDefaults) {
    loadHostRadio(2, /*ak2347=*/false);
    openHost(txSubAudioHost());
    SoftpotGroup& p = host->page(0);
    for (int r = 0; r < 9; ++r)
        EXPECT_EQ(p.row(r).controls.enabled, r % 3 == 2) << r;
    EXPECT_EQ(p.row(8).frequencyText, "246.97500");

    ASSERT_TRUE(host->selectTab(1));
    EXPECT_EQ(bench.radio.lastTxSetup[4], 0x11);
    EXPECT_EQ(bench.radio.lastTxSetup[5], 0x00);
    EXPECT_EQ(bench.radio.lastTxSetup[6], 0x00);
    EXPECT_EQ(bench.radio.lastTxSetup[7], 0x11);
    EXPECT_EQ(bench.radio.lastTxSetup[8], 0x10);

    bench.session.flags.imageLoaded = false;
    openHost(txSubAudioHost());
    const int defaults[] = {30, 40, 40, 26, 30, 30, 20, 20, 20};
    for (int r = 0; r < 9; ++r) {
        EXPECT_EQ(bench.session.image[host->page(0).row(r).desc->imageByte], defaults[r]);
        EXPECT_FALSE(host->page(0).row(r).controls.enabled);
    }
}

TEST_F(SubAudioTest, ProgramWritesBothRunsWithTheirChecksums) {
    for (bool big : {false, true}) {
        loadHostRadio(0, /*ak2347=*/false, big);
        for (int b = 0x98; b <= 0xA0; ++b)
            bench.session.image[static_cast<std::size_t>(b)] = 0;
        for (int b = 0xED; b <= 0xFE; ++b)
            bench.session.image[static_cast<std::size_t>(b)] = 0;
        openHost(txSubAudioHost());
        host->program();
        // Each run is read back from the block that holds it.
        const std::uint16_t area = big ? 0x3F00 : 0x1F00;
        EXPECT_THAT(frames(), ElementsAre(write(big ? "0202 01 3F 98 00 09" : "0202 01 1F 98 00 09",
                                                std::vector<std::uint8_t>(9), big ? 0xE3 : 0xC3),
                                          readBack(area + 0x80),
                                          write(big ? "0202 01 3F ED 00 12" : "0202 01 1F ED 00 12",
                                                std::vector<std::uint8_t>(18), big ? 0x41 : 0x21),
                                          readBack(area + 0xC0)));
    }
}

} // namespace
} // namespace korvelo
