// Byte-exact frames of the Transmit Power page: row setups, live values, the modulation send
// by chip, "Program" in both memory forms.
#include "power_page_fixture.h"
#include "softpot/engine/page_close.h"

namespace korvelo {
namespace {

using Step = VirtualClock::Step;
using ::testing::ElementsAre;

TEST_F(PowerPageTest, HighPointThreeOfAType0RadioSetsTheRadioUp) {
    drag(High3, 40);
    // 155 MHz on the 6.25 kHz raster (C1 00 60), the point's receive setting FA 00 10, byte 8 0x85.
    EXPECT_THAT(frames(), ElementsAre(frame("02 02 42 00 09 00 FA 00 10 C1 00 60 11 85 0E 03"),
                                      frame("02 02 44 00 01 18 5F 03"),   // stored 24, not 40
                                      frame("02 02 43 00 01 0A 50 03"))); // AK2347: byte 0x0A
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 130, false}, Step{Step::Wait, 2500, true},
                            Step{Step::Sleep, 100, false}, Step{Step::Wait, 3000, true},
                            Step{Step::Sleep, 100, false}, Step{Step::Wait, 3000, true}));
    EXPECT_EQ(bench.radio.lastTxSetup, bench.session.txSetupBlock);
    EXPECT_EQ(bench.ports.openChannels(), 0);
    EXPECT_EQ(bench.ports.opens(), 1) << "one port opening for the whole row setup";
}

TEST_F(PowerPageTest, ACmx148RadioGetsItsModulationThroughTheRegisterCommand) {
    loadRadio(0, /*ak2347=*/false);
    openPage();
    drag(High3, 40);
    ASSERT_EQ(frames().size(), 3u);
    EXPECT_EQ(frames()[2], frame("02 02 B3 00 02 02 85 3E 03")); // register 2, byte 0x85
}

TEST_F(PowerPageTest, HighAndLowOfOnePointAreDifferentRows) {
    drag(High1, 30);
    page->pttToggle();
    bench.radio.clearReceived();
    drag(Low1, 30);
    ASSERT_EQ(frames().size(), 4u);
    EXPECT_EQ(frames()[0], pttOff());
    EXPECT_EQ(frames()[1], setup("00 E2 00 30 AA 00 00 11 07")) << "byte 8 now 0x07";
    EXPECT_EQ(frames()[2], power(21));
}

TEST_F(PowerPageTest, StoredValueWhileUnkeyedWorkingValueOnceKeyed) {
    drag(Low4, 50);
    EXPECT_EQ(frames()[1], power(27)) << "image byte 0x1D";
    EXPECT_EQ(working(Low4), "50");
    page->pttToggle();
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    drag(Low4, 50);
    EXPECT_THAT(frames(), ElementsAre(power(50)));
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 100, false}, Step{Step::Wait, 3000, true}));
    EXPECT_EQ(bench.radio.live.power, 50);
    EXPECT_EQ(bench.session.image[0x1D], 27) << "the image changes only on Program";
}

TEST_F(PowerPageTest, ProgramWritesTheTenBytesInEitherMemoryForm) {
    drag(High1, 63);
    drag(Low5, 0);
    page->pttToggle();
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    page->program();
    // Rows never touched go back as stored (their working texts equal the image after opening);
    // the block that holds them is read back.
    EXPECT_THAT(frames(),
                ElementsAre(frame("0202 01 1F 16 00 0A 3F 15 16 17 18 19 1A 1B 1C 00 4503"),
                            frame(CommandFrame::readBlock(0x1F00))));
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 120, false}, Step{Step::Wait, 3000, true},
                            Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true}));
    EXPECT_EQ(bench.radio.tuningArea()[0x16], 63);
    EXPECT_EQ(bench.session.image[0x1F], 0);
    EXPECT_EQ(page->row(High1).controls.defaultSoftpot, "63");
    EXPECT_TRUE(notices().empty());

    bench.radio.radioFlags = 0x10;
    bench.session.flags.is256BlockMemory = true;
    bench.radio.clearReceived();
    page->program();
    EXPECT_THAT(frames(),
                ElementsAre(frame("0202 01 3F 16 00 0A 3F 15 16 17 18 19 1A 1B 1C 00 6503"),
                            frame(CommandFrame::readBlock(0x3F00))));
    EXPECT_EQ(bench.radio.eeprom[0x3F16], 63);
}

TEST_F(PowerPageTest, ProgramWithoutReplyIsReportedAndKeepsTheNewValues) {
    drag(High2, 5);
    bench.radio.faults.silent = true;
    page->program();
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_EQ(bench.session.image[0x18], 5);
    // Only in the image: Default Softpot still shows what the radio confirmed holding.
    EXPECT_EQ(page->row(High2).controls.defaultSoftpot, "22");
    EXPECT_EQ(working(High2), "5");
    EXPECT_EQ(page->unprogrammedCount(), 1);
}

// A dialog of several pages asks once for all of them, programs only the pages that need it
// and then closes each; nothing is asked while the pages cannot program.
TEST_F(PowerPageTest, ClosingPagesAsksOnceAndProgramsWhatTheyHold) {
    SoftpotGroup other(bench.env(), txPowerPage()); // a second page of a tab host
    other.open();
    SoftpotGroup* pages[] = {page.get(), &other};
    std::vector<std::string> asked;
    auto answer = [&asked](CloseChoice choice) {
        return [&asked, choice](const std::string& question) {
            asked.push_back(question);
            return choice;
        };
    };
    drag(High1, 40);
    page->pttToggle();
    type(Low2, "9"); // typed, not entered
    bench.radio.clearReceived();
    EXPECT_FALSE(closePages(pages, answer(CloseChoice::Cancel)));
    EXPECT_THAT(asked, ElementsAre("2 values have not been programmed into the radio. Program "
                                   "them now?"));
    EXPECT_TRUE(frames().empty()) << "Cancel leaves the pages as they are, still keyed";
    EXPECT_TRUE(closePages(pages, answer(CloseChoice::Program)));
    ASSERT_EQ(frames().size(), 3u) << "one write and its read-back, for the page that held them";
    EXPECT_EQ(bench.radio.receivedFrames()[0][2], 0x01);
    EXPECT_EQ(bench.radio.receivedFrames()[1][2], 0x02);
    EXPECT_EQ(frames()[2], pttOff());
    EXPECT_EQ(bench.radio.tuningArea()[0x16], 40);
    EXPECT_EQ(bench.radio.tuningArea()[0x19], 9);

    loadRadio(0, true, /*tunerMode=*/false);
    openPage();
    type(High1, "40");
    SoftpotGroup* locked[] = {page.get()};
    EXPECT_EQ(page->unprogrammedCount(), 0);
    EXPECT_TRUE(closePages(locked, answer(CloseChoice::Cancel)));
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(PowerPageTest, ProgramUsesTheWorkingTextsAsTheyStand) {
    // Typed but never entered: Program does not take the edits, and its refresh replaces them.
    type(High2, "44");
    page->program();
    EXPECT_EQ(bench.session.image[0x18], 22);
    EXPECT_EQ(working(High2), "22");
    // Taken by a commit on another row, a typed value is written, but kept within 0..63 rather
    // than cut to its low 8 bits.
    type(High2, "-5");
    type(High4, "300");
    page->spin(High1, +1);
    page->program();
    EXPECT_EQ(bench.session.image[0x18], 0);
    EXPECT_EQ(bench.session.image[0x1C], 63);
    EXPECT_EQ(page->row(High2).controls.defaultSoftpot, "0");
}

TEST_F(PowerPageTest, AStoredByteOutsideTheRangeGoesBackUnchanged) {
    bench.session.image[0x1B] = 0xFF; // an erased cell
    openPage();
    EXPECT_EQ(working(Low3), "255");
    EXPECT_EQ(position(Low3), 63);
    page->program();
    EXPECT_EQ(bench.radio.tuningArea()[0x1B], 0xFF);
}

TEST_F(PowerPageTest, AnUnopenablePortIsReportedOnceAndNothingWaits) {
    bench.ports.failOpen = true;
    drag(High1, 30);
    EXPECT_EQ(notices().size(), 1u);
    EXPECT_TRUE(bench.clock.steps().empty());
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(bench.session.flags.portFault);
}

} // namespace
} // namespace korvelo
