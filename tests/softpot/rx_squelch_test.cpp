// The Receive Squelch pages against the simulated radio: the receive-frequency set-up, the
// same-row rule, and "Program" with its point mask and two writes.
#include "tab_host_fixture.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;
using Step = VirtualClock::Step;

// Rows in on-screen order.
enum SquelchRow { N1, N2, N3, N4, N5, T1, T2, T3, T4, T5 };

std::string receiveWord(double hz, bool vhf, bool* valid = nullptr) {
    std::array<std::uint8_t, 9> bytes{0, 1, 2, 3, 4, 5, 6, 7, 8};
    TxSetupBlock block(bytes);
    const bool ok = encodeRxFrequency(block, hz, vhf);
    if (valid)
        *valid = ok;
    return bytesToHex(std::vector<std::uint8_t>{bytes[1], bytes[2], bytes[3], bytes[7]});
}

TEST_F(TabHostTest, ReceiveFrequenciesAreSetAroundTheOscillatorOffset) {
    bool valid = false;
    EXPECT_EQ(receiveWord(136'000'000, true, &valid), "E2 00 30 11");
    EXPECT_TRUE(valid);
    EXPECT_EQ(receiveWord(403'425'000, false), "BF 01 74 11"); // a UHF point, 45.1 MHz below
    EXPECT_EQ(receiveWord(150'005'000, true), "30 01 6D 10");  // on the 5 kHz raster only
    EXPECT_EQ(receiveWord(150'003'000, true, &valid), "01 02 03 07");
    EXPECT_FALSE(valid);
    EXPECT_EQ(receiveWord(0, false, &valid), "01 02 03 07") << "an oscillator below 0 Hz";
    EXPECT_FALSE(valid);

    // On the page: the message, the point's edit cleared, and the set-up still goes out with
    // the receive word the block held.
    openHost(rxSquelchHost());
    SoftpotGroup& p = host->page(0);
    p.setFrequencyEditText(N2, "150.00300");
    p.spin(N2, +1);
    EXPECT_EQ(notices(), (std::vector<Notice>{{"RX Frequency is not valid", Icon::None}}));
    EXPECT_EQ(p.row(N2).controls.frequency, "");
    EXPECT_THAT(frames(), ElementsAre(setup("00 E2 00 30 AA 00 00 11 00"), squelch(0x22)));

    // A radio without a band after a UHF radio: no label, 0 Hz, nothing to set up from.
    loadHostRadio(13);
    bench.session.isVhfRadio = false;
    openHost(rxSquelchHost());
    bench.notifier.notices.clear();
    host->page(1).spin(T4, -1);
    EXPECT_EQ(notices(), (std::vector<Notice>{{"RX Frequency is not valid", Icon::None}}));
    EXPECT_EQ(frames().size(), 2u);
}

TEST_F(TabHostTest, TheSameRowSendsOnlyTheValueAndTightIsAnotherRow) {
    openHost(rxSquelchHost());
    SoftpotGroup& p = host->page(0);
    p.spin(N1, +1); // the first commit on a page sets the row up with the stored value
    EXPECT_THAT(frames(), ElementsAre(setup("00 E2 00 30 AA 00 00 11 00"), squelch(0x20)));
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 130, false}, Step{Step::Wait, 2500, true},
                            Step{Step::Sleep, 50, false}, Step{Step::Sleep, 80, false},
                            Step{Step::Wait, 3000, true}));
    bench.radio.clearReceived();
    p.spin(N1, +1);
    EXPECT_THAT(frames(), ElementsAre(squelch(0x22)));
    EXPECT_EQ(bench.radio.live.squelch, std::optional<std::uint8_t>(0x22));
    bench.radio.clearReceived();
    p.scroll(T1, ScrollCode::ThumbTrack, 40);
    p.endScroll(T1);
    EXPECT_THAT(frames(), ElementsAre(setup("00 E2 00 30 AA 00 00 11 08"), squelch(0x21)));

    // A radio of the 245 MHz band: only points 4 and 5; the tab change sets the host's receive
    // word and sends nothing.
    loadHostRadio(2);
    openHost(rxSquelchHost());
    for (int r = N1; r <= T5; ++r)
        EXPECT_EQ(host->page(1).row(r).controls.enabled, r % 5 >= 3) << r;
    EXPECT_EQ(host->page(0).row(N1).controls.frequency, "UNSUPPORTED");
    TxSetupBlock block(bench.session.txSetupBlock);
    EXPECT_EQ(block.receive(), (SettingWord{0x46, 0x01, 0x34}));
    ASSERT_TRUE(host->selectTab(2));
    EXPECT_EQ(block.receive(), (SettingWord{0x6D, 0x01, 0x10}));
    EXPECT_TRUE(frames().empty());
}

TEST_F(TabHostTest, SquelchProgramFillsAbsentPointsAndWritesTheMaskAtTheImageBase) {
    struct Case {
        std::uint8_t radioType;
        std::uint8_t mask;
        bool big;
    };
    for (const Case c : {Case{0, 0x0F, false}, Case{0, 0x00, true}, Case{2, 0x08, true}}) {
        loadHostRadio(c.radioType, true, c.big);
        bench.session.image[0x52] = c.mask;
        openHost(rxSquelchHost());
        host->program();
        std::vector<std::uint8_t> bytes(30);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const std::size_t spacing = i / 10, within = i % 10, point = within / 2;
            // The nearest point at or above whose bit is set (point 5 has no bit).
            std::size_t from = point;
            while (from < 4 && (c.mask >> from & 1u) == 0)
                ++from;
            bytes[i] = static_cast<std::uint8_t>(0x20 + spacing * 10 + from * 2 + within % 2);
        }
        const std::string base = c.big ? "3F" : "1F";
        const std::uint16_t area = c.big ? 0x3F00 : 0x1F00;
        // Each write is read back: the softpots from the area's first block, the mask from its
        // second.
        EXPECT_THAT(
            frames(),
            ElementsAre(write("0202 01 " + base + " 20 00 1E", bytes, c.big ? 0x80 : 0x60),
                        readBack(area),
                        write("0202 01 " + base + " 52 00 01", {c.mask}, c.big ? 0x95 : 0x75),
                        readBack(static_cast<std::uint16_t>(area + 0x40))))
            << int(c.mask);
        EXPECT_THAT(bench.clock.steps(),
                    ElementsAre(Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true},
                                Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true},
                                Step{Step::Sleep, 100, false}, Step{Step::Wait, 3000, true},
                                Step{Step::Sleep, 130, false}, Step{Step::Wait, 3000, true}));
        const std::size_t at = c.big ? 0x3F00 : 0x1F00;
        EXPECT_EQ(bench.radio.eeprom[at + 0x20], bytes[0]);
        EXPECT_EQ(bench.radio.eeprom[at + 0x3D], bytes[29]);
        EXPECT_EQ(bench.radio.eeprom[at + 0x52], c.mask);
        EXPECT_EQ(host->page(2).row(T1).controls.defaultSoftpot, std::to_string(bytes[21]));
    }
    EXPECT_EQ(write("0202 01 3F 52 00 01", {0x0F}, 0x95), frame("0202 01 3F 52 00 01 0F A4 03"));
    EXPECT_EQ(write("0202 01 1F 52 00 01", {0x0F}, 0x75), frame("0202 01 1F 52 00 01 0F 84 03"));
}

TEST_F(TabHostTest, UnansweredSquelchSendsAndWritesEndAtTheirBound) {
    openHost(rxSquelchHost());
    SoftpotGroup& p = host->page(0);
    p.spin(N3, +1);
    bench.radio.scriptAnswers(Cmd::SquelchValue, {sim::Answer::Silent});
    bench.clock.clearSteps();
    p.spin(N3, +1);
    EXPECT_EQ(bench.clock.steps().back(), (Step{Step::Wait, 3000, false}));
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    p.spin(N3, +1);
    EXPECT_EQ(bench.radio.live.squelch, std::optional<std::uint8_t>(0x27));

    bench.radio.faults.silent = true;
    host->program();
    EXPECT_EQ(notices().size(), 2u) << "two writes without a reply, one message";
    EXPECT_EQ(p.row(N3).controls.defaultSoftpot, "36");
    EXPECT_EQ(p.unprogrammedCount(), 1);
}

} // namespace
} // namespace korvelo
