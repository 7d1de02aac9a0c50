// The three register pages' "DATA SEND" byte for byte, with their pauses and bounded waits.
#include "chipsetup/cmx148/cmx_rx_setup_page.h"
#include "chipsetup/cmx148/cmx_tx_setup_page.h"
#include "chipsetup/txmode/tx_mode_page.h"
#include "register_page_fixture.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;
using namespace timeline;

TEST_F(RegisterPageTest, TxModeSendsItsTwoRegionsAndStopsAtTheFirstTimeOut) {
    const Bytes registers = {0x01, 0x02, 0x03, 0x04, 0x05};
    std::copy(registers.begin(), registers.end(), &image(0x40));
    image(0x46) = 0x10;
    open(txModePage());
    EXPECT_EQ(page->dataSend(), SendOutcome::Confirmed);
    // Each write is read back (the block at 0x1F40 holds both).
    const Bytes readBack = hexToBytes(CommandFrame::readBlock(0x1F40));
    EXPECT_THAT(bench.radio.receivedFrames(),
                ElementsAre(hexToBytes("02 02 01 1F 40 00 05 01 02 03 04 05 76 03"), readBack,
                            hexToBytes("02 02 01 1F 46 00 01 10 79 03"), readBack));
    EXPECT_THAT(bench.clock.steps(), ElementsAre(sleep(150), wait(3000), sleep(130), wait(3000),
                                                 sleep(150), wait(3000), sleep(130), wait(3000)));
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_EQ(eeprom(0x40 + i), registers[i]);
    EXPECT_EQ(eeprom(0x46), 0x10);
    EXPECT_TRUE(bench.notifier.notices.empty());
    EXPECT_EQ(page->statusText(), "The radio confirmed DATA SEND of 0x40..0x44 and 0x46.");

    // A radio that does not answer: one bounded wait, the read-back of what it may hold (two
    // tries), one message, no second write.
    bench.radio.faults.silent = true;
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    EXPECT_EQ(page->dataSend(), SendOutcome::NoReply);
    EXPECT_EQ(bench.radio.receivedFrames().size(), 3u);
    EXPECT_THAT(bench.clock.steps(), ElementsAre(sleep(150), wait(3000, false), sleep(130),
                                                 wait(3000, false), sleep(140), wait(3000, false)));
    EXPECT_EQ(bench.notifier.notices,
              (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_EQ(page->statusText(),
              "The radio did not confirm DATA SEND: the changes are only in the tuning image.");
    EXPECT_EQ(bench.ports.openChannels(), 0);
}

TEST_F(RegisterPageTest, CmxSetupsSendTheirWholeRegionWithTheChecksumOfEachBase) {
    struct Case {
        const RegisterPageSpec& table;
        bool is256;
        Bytes frame;
        std::vector<std::uint16_t> readBack; // the blocks that hold the region
    };
    const Case cases[] = {
        {cmxTxSetupPage(), true, regionFrame(0x3F, 0x71, 0x3D, 0xF0), {0x3F40, 0x3F80}},
        {cmxTxSetupPage(), false, regionFrame(0x1F, 0x71, 0x3D, 0xD0), {0x1F40, 0x1F80}},
        {cmxRxSetupPage(), true, regionFrame(0x3F, 0xC0, 0x0E, 0x10), {0x3FC0}},
        {cmxRxSetupPage(), false, regionFrame(0x1F, 0xC0, 0x0E, 0xF0), {0x1FC0}},
    };
    for (const Case& c : cases) {
        bench.radio.radioFlags = c.is256 ? 0x30 : 0x20;
        bench.session.flags.is256BlockMemory = c.is256;
        bench.radio.eeprom.fill(0xEE);
        bench.radio.clearReceived();
        bench.clock.clearSteps();
        open(c.table);
        EXPECT_EQ(page->dataSend(), SendOutcome::Confirmed);
        std::vector<Bytes> frames{c.frame};
        std::vector<VirtualClock::Step> steps{sleep(130), wait(3000)};
        for (const std::uint16_t block : c.readBack) {
            frames.push_back(hexToBytes(CommandFrame::readBlock(block)));
            steps.insert(steps.end(), {sleep(130), wait(3000)});
        }
        EXPECT_EQ(bench.radio.receivedFrames(), frames);
        EXPECT_EQ(bench.clock.steps(), steps);
        EXPECT_EQ(eeprom(c.frame[4]), 0x00) << "the region landed at the base of the memory size";
    }
    // A silent radio ends the wait at its bound (then the read-back's two tries) with the
    // message.
    bench.radio.faults.silent = true;
    bench.clock.clearSteps();
    EXPECT_EQ(page->dataSend(), SendOutcome::NoReply);
    EXPECT_THAT(bench.clock.steps(), ElementsAre(sleep(130), wait(3000, false), sleep(130),
                                                 wait(3000, false), sleep(140), wait(3000, false)));
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0].text, "Radio Coummunication Error");
}

} // namespace
} // namespace korvelo
