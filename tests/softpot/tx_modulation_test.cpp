// The tab host's rules and the Transmit Modulation pages on both audio processors, against the
// simulated radio.
#include "tab_host_fixture.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;
using Step = VirtualClock::Step;

TEST_F(TabHostTest, TabsAreRefusedUntilAnImageAndTheTwentyKhzTabSetsUpItsFirstPoint) {
    bench.session.flags.spacingTabsEnabled = 0;
    openHost(txModulationHost(true));
    EXPECT_FALSE(host->selectTab(2));
    EXPECT_EQ(host->current(), 0);
    EXPECT_TRUE(frames().empty());

    bench.session.flags.spacingTabsEnabled = 1;
    EXPECT_TRUE(host->selectTab(2));
    EXPECT_EQ(host->current(), 2);
    // 136 MHz, the band's first receive word, the 20 kHz spacing; the point's stored deviation
    // (image 0x04) and the High Power softpot of point 1.
    EXPECT_THAT(frames(),
                ElementsAre(setup("00 E2 00 30 AA 00 00 11 30"), akModulation(0x04), power(20)));
}

// Leaving a keyed page resets its caption only; the radio still transmits, so the page entered
// unkeys before its set-up, and closing the dialog unkeys once for every page.
TEST_F(TabHostTest, ALeftPageStaysKeyedAndClosingAsksThenUnkeys) {
    openHost(txModulationHost(true));
    SoftpotGroup& p125 = host->page(0);
    p125.scroll(0, ScrollCode::ThumbTrack, 10);
    p125.endScroll(0);
    p125.pttToggle();
    ASSERT_TRUE(bench.radio.pttOn);
    bench.radio.clearReceived();

    ASSERT_TRUE(host->selectTab(1));
    EXPECT_TRUE(p125.keyed());
    EXPECT_EQ(p125.pttCaption(), "PTT Toggle");
    ASSERT_EQ(frames().size(), 4u);
    EXPECT_EQ(frames()[0], pttOff());
    EXPECT_EQ(bench.radio.receivedFrames()[1][2], 0x42);
    EXPECT_FALSE(bench.radio.pttOn);
    bench.radio.clearReceived();

    std::vector<std::string> asked;
    auto answer = [&asked](CloseChoice choice) {
        return [&asked, choice](const std::string& question) {
            asked.push_back(question);
            return choice;
        };
    };
    EXPECT_FALSE(host->close(answer(CloseChoice::Cancel)));
    EXPECT_THAT(asked, ElementsAre("1 value has not been programmed into the radio. Program "
                                   "it now?"));
    EXPECT_TRUE(frames().empty());
    bench.replies.replyStatus = kStatusAck;
    EXPECT_TRUE(host->close(answer(CloseChoice::Program)));
    std::vector<std::uint8_t> region(20);
    for (std::size_t i = 0; i < region.size(); ++i)
        region[i] = static_cast<std::uint8_t>(0x02 + i);
    region[0] = 10;
    EXPECT_THAT(frames(), ElementsAre(write("0202 01 1F 02 00 14", region, 0x38), readBack(0x1F00),
                                      pttOff()));
    EXPECT_EQ(bench.radio.tuningArea()[0x02], 10);
    EXPECT_FALSE(p125.keyed());
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);
}

TEST_F(TabHostTest, CmxDeviationShowsTwoDecimalsAndEnterKeepsToTheGrid) {
    loadHostRadio(0, /*ak2347=*/false);
    bench.session.image[0x83] = 20;
    openHost(txModulationHost(false));
    SoftpotGroup& p = host->page(0);
    EXPECT_EQ(p.row(0).controls.working, "1.00");
    EXPECT_EQ(p.row(0).controls.position, 20);
    p.setWorkingEditText(0, "1.00");
    p.enter(0); // the first commit sets the row up with the stored value
    EXPECT_THAT(frames(), ElementsAre(setup("00 E2 00 30 AA 00 00 11 07"), cmx(20), power(20)));
    p.pttToggle();
    bench.radio.clearReceived();

    p.spin(0, +1);
    EXPECT_EQ(p.row(0).controls.working, "1.05");
    EXPECT_THAT(frames(), ElementsAre(cmx(21)));
    EXPECT_EQ(bench.session.image[0x83], 20) << "a spin step leaves the image to Program";
    for (const char* text : {"1.23", "4"}) {
        bench.radio.clearReceived();
        p.setWorkingEditText(0, text);
        p.enter(0);
        EXPECT_EQ(p.row(0).controls.working, "1.00") << text;
        EXPECT_EQ(p.row(0).controls.position, 20) << text;
        EXPECT_THAT(frames(), ElementsAre(cmx(20))) << text;
        EXPECT_EQ(bench.session.image[0x83], 20) << text;
    }
    bench.radio.clearReceived();
    p.setWorkingEditText(0, "1.25");
    p.enter(0);
    EXPECT_EQ(bench.session.image[0x83], 25) << "Enter writes the image at once";
    EXPECT_EQ(p.row(0).controls.working, "1.25");
    EXPECT_THAT(frames(), ElementsAre(cmx(25)));

    // AK2347: 70 is taken as 63, into the image at once, and committed. (The keyed host is
    // closed first, as its dialog would; a page opened while the transmitter may be on would
    // send PTT off before its first setup.)
    host->close([](const std::string&) { return CloseChoice::Discard; });
    loadHostRadio();
    openHost(txModulationHost(true));
    SoftpotGroup& ak25 = host->page(1);
    ak25.setWorkingEditText(2, "70");
    ak25.enter(2);
    EXPECT_EQ(bench.session.image[0x0B], 63);
    EXPECT_EQ(ak25.row(2).controls.working, "63");
    EXPECT_THAT(frames(),
                ElementsAre(setup("00 FA 00 10 C1 00 60 11 10"), akModulation(63), power(20)));
}

TEST_F(TabHostTest, ProgramWritesTheChipsRegionInBothFormsAndFillsAbsentAkPoints) {
    for (bool big : {false, true}) {
        const std::size_t base = big ? 0x3F00 : 0x1F00;
        loadHostRadio(0, true, big);
        bench.session.image[0x50] = 0x0C; // points 3 and 4 present, 1 and 2 absent
        openHost(txModulationHost(true));
        host->program();
        std::vector<std::uint8_t> ak(20);
        for (std::size_t i = 0; i < ak.size(); ++i)
            ak[i] = static_cast<std::uint8_t>(0x02 + i);
        for (std::size_t s = 0; s < 3; ++s) // points 1 and 2 carry point 3's values
            ak[s] = ak[4 + s] = static_cast<std::uint8_t>(0x0A + s);
        EXPECT_THAT(frames(), ElementsAre(write(big ? "0202 01 3F 02 00 14" : "0202 01 1F 02 00 14",
                                                ak, big ? 0x58 : 0x38),
                                          readBack(static_cast<std::uint16_t>(base))));
        EXPECT_THAT(bench.clock.steps(),
                    ElementsAre(Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true},
                                Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true}));
        for (std::size_t i = 0; i < ak.size(); ++i)
            EXPECT_EQ(bench.radio.eeprom[base + 0x02 + i], ak[i]) << i;
        EXPECT_EQ(host->page(0).row(0).controls.defaultSoftpot, "10");
        EXPECT_EQ(host->page(2).row(1).controls.working, "12");
        EXPECT_EQ(host->page(1).statusText().rfind("Programmed", 0), 0u);

        loadHostRadio(0, false, big);
        for (std::uint8_t j = 0; j < 15; ++j)
            bench.session.image[0x83 + j] = j;
        openHost(txModulationHost(false));
        host->page(1).setWorkingEditText(0, "2.50");
        host->page(1).enter(0);
        bench.radio.clearReceived();
        host->program();
        std::vector<std::uint8_t> cmxBytes(15);
        for (std::size_t j = 0; j < cmxBytes.size(); ++j)
            cmxBytes[j] = static_cast<std::uint8_t>(j);
        cmxBytes[5] = 50;
        EXPECT_THAT(frames(), ElementsAre(write(big ? "0202 01 3F 83 00 0F" : "0202 01 1F 83 00 0F",
                                                cmxBytes, big ? 0xD4 : 0xB4),
                                          readBack(static_cast<std::uint16_t>(base + 0x80))));
        EXPECT_EQ(bench.radio.eeprom[base + 0x88], 50);
    }
}

// Waits that had no bound end at 3,000 ms with one message per operation, and the page goes
// on; a PTT off or a Program the radio did not confirm is told on the status line.
TEST_F(TabHostTest, UnansweredSendsAreReportedOnceAndThePageCarriesOn) {
    openHost(txModulationHost(true));
    SoftpotGroup& p = host->page(0);
    bench.radio.scriptAnswers(Cmd::Modulation, {sim::Answer::Silent});
    bench.radio.scriptAnswers(Cmd::PowerValue, {sim::Answer::Silent});
    p.spin(0, +1);
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_EQ(std::count(bench.clock.steps().begin(), bench.clock.steps().end(),
                         Step{Step::Wait, 3000, false}),
              2);
    p.pttToggle();
    bench.radio.scriptAnswers(Cmd::Modulation, {sim::Answer::Silent});
    p.spin(0, +1);
    EXPECT_EQ(notices().size(), 2u);
    p.spin(0, +1);
    EXPECT_EQ(bench.radio.live.modulation, std::optional<std::uint8_t>(5));

    // "PTT Toggle" on these pages shows no message, but the status line and closing know.
    bench.radio.scriptAnswers(Cmd::PttOff, {sim::Answer::Silent});
    p.pttToggle();
    EXPECT_EQ(notices().size(), 2u);
    EXPECT_EQ(p.pttCaption(), "PTT OFF");
    EXPECT_EQ(p.statusText(),
              "The radio did not confirm PTT off: the transmitter may still be on.");

    bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Silent});
    host->program();
    EXPECT_EQ(notices().size(), 3u);
    EXPECT_EQ(notices().back().text, "Radio Coummunication Error");
    EXPECT_EQ(p.row(0).controls.defaultSoftpot, "2") << "not confirmed: the radio's value stays";
    EXPECT_EQ(host->page(2).statusText(), "The radio did not confirm Program: the new values are "
                                          "only in the tuning image.");
    bench.radio.clearReceived();
    EXPECT_TRUE(host->close([](const std::string&) { return CloseChoice::Discard; }));
    EXPECT_THAT(frames(), ElementsAre(pttOff()));
    EXPECT_FALSE(bench.radio.pttOn);
}

} // namespace
} // namespace korvelo
