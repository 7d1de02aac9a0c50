// Value handling on a row (scroll steps, spin, Enter) and what the band decides: labels,
// usable rows, the set-up bytes of bands without table entries, the page without an image.
#include "power_page_fixture.h"
#include "softpot/zel/zel_signalling_page.h"

namespace korvelo {
namespace {

using ::testing::ElementsAre;

TEST_F(PowerPageTest, ScrollStepsStopAtBothEnds) {
    const int row = Low2; // stored 23
    page->scroll(row, ScrollCode::PageRight);
    EXPECT_EQ(position(row), 28);
    page->scroll(row, ScrollCode::LineLeft);
    EXPECT_EQ(position(row), 27);
    page->scroll(row, ScrollCode::Bottom);
    EXPECT_EQ(position(row), 63);
    page->scroll(row, ScrollCode::LineRight);
    page->scroll(row, ScrollCode::PageRight);
    EXPECT_EQ(position(row), 63);
    page->scroll(row, ScrollCode::Top);
    page->scroll(row, ScrollCode::LineLeft);
    page->scroll(row, ScrollCode::PageLeft);
    EXPECT_EQ(position(row), 0);
    page->scroll(row, ScrollCode::PageRight);
    page->scroll(row, ScrollCode::PageLeft);
    page->scroll(row, ScrollCode::LineRight);
    EXPECT_EQ(position(row), 1);
    EXPECT_TRUE(frames().empty()) << "nothing is sent while the bar moves";
    page->endScroll(row);
    EXPECT_EQ(working(row), "1");
    EXPECT_EQ(frames().size(), 3u);
}

TEST_F(PowerPageTest, EndOfScrollRewritesEveryWorkingTextFromItsBar) {
    type(High5, "17"); // typed, not entered
    page->scroll(High1, ScrollCode::LineRight);
    page->endScroll(High1);
    EXPECT_EQ(working(High1), "21");
    EXPECT_EQ(working(High5), "28") << "the bar's position wins over the typed text";
}

TEST_F(PowerPageTest, SpinStepsStayWithinTheRangeAndGoLiveOnceKeyed) {
    drag(High1, 63);
    page->pttToggle();
    bench.radio.clearReceived();
    page->spin(High1, +1);
    EXPECT_EQ(working(High1), "63");
    page->spin(High1, -1);
    EXPECT_EQ(working(High1), "62");
    EXPECT_EQ(position(High1), 62);
    EXPECT_THAT(frames(), ElementsAre(power(63), power(62)));

    drag(High1, 0);
    bench.radio.clearReceived();
    page->spin(High1, -1);
    EXPECT_EQ(working(High1), "0");
    type(High1, "-9"); // a typed negative value steps from 0
    page->spin(High1, +1);
    EXPECT_EQ(working(High1), "1");
    EXPECT_THAT(frames(), ElementsAre(power(0), power(1)));
}

TEST_F(PowerPageTest, EnterTakesTheTypedValueWithinTheRange) {
    drag(Low1, 21);
    page->pttToggle();
    bench.radio.clearReceived();
    type(Low1, "70");
    page->enter(Low1);
    EXPECT_EQ(working(Low1), "63");
    EXPECT_EQ(position(Low1), 63);
    type(Low1, "12");
    page->enter(Low1);
    EXPECT_EQ(working(Low1), "12");
    EXPECT_EQ(position(Low1), 12);
    type(Low1, "-4");
    page->enter(Low1);
    EXPECT_EQ(working(Low1), "0");
    EXPECT_EQ(position(Low1), 0);
    EXPECT_THAT(frames(), ElementsAre(power(63), power(12), power(0)));
    // Text that is no number (pasted, or half typed) goes back and sends nothing.
    type(Low1, "12");
    page->enter(Low1);
    for (const char* text : {"abc", "4o", "", "1.5"}) {
        type(Low1, text);
        page->enter(Low1);
        EXPECT_EQ(working(Low1), "12") << text;
    }
    type(Low1, "x");
    page->spin(Low1, +1); // steps from the row's value, not from a text read as 0
    EXPECT_EQ(working(Low1), "13");
    EXPECT_THAT(frames(), ElementsAre(power(63), power(12), power(0), power(12), power(13)));
}

// The edits of a page take what its scale shows: whole numbers on a 0..63 page, one decimal
// point on a page of 0.05 steps.
TEST(ValueScale, ReadsAndTypesOnlyNumbersOfItsForm) {
    const ValueScale whole{63, 0, 1.0};
    const ValueScale fine{79, 2, 0.05};
    EXPECT_EQ(whole.read(" 42 "), 42);
    EXPECT_EQ(whole.read("-4"), -4);
    EXPECT_EQ(fine.read("1.25"), 25);
    EXPECT_EQ(fine.read("3."), 60);
    for (const char* text : {"", "abc", "4o", "1.5", "-", "1 2"})
        EXPECT_FALSE(whole.read(text)) << text;
    for (const char* text : {"", ".", "1.2.3", "1,5"})
        EXPECT_FALSE(fine.read(text)) << text;
    EXPECT_TRUE(whole.canType("63"));
    EXPECT_TRUE(fine.canType("3.9"));
    EXPECT_TRUE(fine.canType("."));
    for (const char* text : {"4o", "-1", "1.", " 5"})
        EXPECT_FALSE(whole.canType(text)) << text;
    for (const char* text : {"1.2.", "a", "-0.5"})
        EXPECT_FALSE(fine.canType(text)) << text;
}

TEST_F(PowerPageTest, AnUnansweredValueIsReportedAndThePageCarriesOn) {
    drag(High1, 30);
    page->pttToggle();
    bench.radio.scriptAnswers(Cmd::PowerValue, {sim::Answer::Silent});
    bench.clock.clearSteps();
    drag(High1, 31);
    EXPECT_EQ(bench.clock.steps().back(),
              (VirtualClock::Step{VirtualClock::Step::Wait, 3000, false}));
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    drag(High1, 32);
    EXPECT_EQ(bench.radio.live.power, 32);
}

TEST_F(PowerPageTest, OpeningFillsTheRowsAndPresetsTheBand) {
    bench.session.txSetupBlock = {9, 9, 9, 9, 9, 9, 9, 9, 9};
    openPage();
    EXPECT_EQ(page->row(High1).controls.frequency, "136.00000");
    EXPECT_EQ(page->row(Low5).controls.frequency, "174.00000");
    EXPECT_EQ(page->row(Low3).controls.defaultSoftpot, "25");
    EXPECT_EQ(working(Low3), "25");
    EXPECT_EQ(position(Low3), 25);
    EXPECT_EQ(bench.session.txSetupBlock,
              (std::array<std::uint8_t, 9>{9, 9, 9, 9, 0xAA, 0x00, 0x00, 0x11, 9}));
    EXPECT_TRUE(page->pttEnabled());
    for (int r = 0; r < 10; ++r)
        EXPECT_TRUE(page->row(r).controls.enabled) << r;
}

TEST_F(PowerPageTest, Type2OffersOnlyThe245And247MHzRows) {
    loadRadio(2);
    openPage();
    for (int r : {High1, High2, High3, Low1, Low2, Low3}) {
        EXPECT_FALSE(page->row(r).controls.enabled) << r;
        EXPECT_EQ(page->row(r).controls.frequency, "UNSUPPORTED");
    }
    for (int r : {High4, High5, Low4, Low5})
        EXPECT_TRUE(page->row(r).controls.enabled) << r;
    drag(Low5, 10);
    // 247 MHz: 39,520 steps of 6.25 kHz, N = 308 (0x134), A = 96.
    EXPECT_EQ(frames()[0], setup("00 6D 01 10 34 01 60 11 02"));
}

TEST_F(PowerPageTest, BandsWithoutLabelsSetUpAtZeroHertz) {
    for (std::uint8_t type : {std::uint8_t{1}, std::uint8_t{200}}) {
        loadRadio(type);
        bench.session.txSetupBlock = {5, 5, 5, 5, 5, 5, 5, 5, 5};
        openPage();
        EXPECT_EQ(page->row(High1).controls.frequency, "");
        EXPECT_TRUE(page->row(High1).controls.enabled);
        drag(High4, 30);
        // Type 1 has no receive setting for point 4 and type 200 none at all: bytes 1..3 stay.
        EXPECT_EQ(frames()[0], setup("00 05 05 05 00 00 00 11 85")) << int(type);
    }
    bench.radio.clearReceived();
    drag(High1, 30);
    EXPECT_EQ(frames()[0], setup("00 05 05 05 00 00 00 11 87"))
        << "type 200 has no receive settings";
    loadRadio(1);
    openPage();
    drag(High1, 30);
    EXPECT_EQ(frames()[0], setup("00 46 01 34 00 00 00 11 87"));
}

TEST_F(PowerPageTest, WithoutImageOrTunerModeThePageIsLocked) {
    bench.session.flags.imageLoaded = false;
    openPage();
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(position(r), 32);
        EXPECT_EQ(bench.session.image[page->row(r).desc->imageByte], 32);
        EXPECT_EQ(working(r), "32");
        EXPECT_FALSE(page->row(r).controls.enabled);
    }
    EXPECT_FALSE(page->pttEnabled());
    EXPECT_FALSE(page->programEnabled());

    loadRadio(0, true, /*tunerMode=*/false);
    openPage();
    EXPECT_EQ(working(High2), "22");
    EXPECT_FALSE(page->row(High2).controls.enabled);
    EXPECT_FALSE(page->pttEnabled());
    EXPECT_FALSE(page->programEnabled());
}

TEST(DescribeTxPower, LabelsEachSoftpotAsThePageDoes) {
    Session s;
    s.image[0x16] = 40;
    s.image[0x1F] = 7;
    const auto lines = describeTxPower(s);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], "  High Power, point 1 (136.00000 MHz): 40");
    EXPECT_EQ(lines[10], "  Low Power, point 5 (174.00000 MHz): 7");
    s.radioType = 200;
    EXPECT_EQ(describeTxPower(s)[1], "  High Power, point 1: 40");
}

// A stored byte outside the bar's range (High Power 200, ZEL 205) on a row the technician never
// touches: a step on another row leaves it as it is, marked, out of the close question's count,
// and Program writes back the byte the radio had.
TEST_F(PowerPageTest, AStepOnOneRowLeavesAnUntouchedOutOfRangeRowAlone) {
    bench.session.image[0x16] = 200; // High Power, point 1
    openPage();
    page->scroll(High2, ScrollCode::LineRight);
    page->endScroll(High2);
    EXPECT_EQ(working(High2), "23");
    EXPECT_EQ(working(High1), "200");
    EXPECT_TRUE(page->marks(High1).workingOutOfRange);
    EXPECT_TRUE(page->marks(High1).storedOutOfRange);
    EXPECT_EQ(page->unprogrammedCount(), 1) << "High Power, point 2 only";
    page->program();
    EXPECT_EQ(bench.radio.tuningArea()[0x16], 200);
    EXPECT_EQ(bench.radio.tuningArea()[0x18], 23);

    bench.session.image[0x3F] = 205; // ZEL, 25 kHz
    SoftpotGroup zel(bench.env(), zelSignallingPage());
    zel.open();
    zel.scroll(0, ScrollCode::LineRight);
    zel.endScroll(0);
    EXPECT_EQ(zel.row(1).controls.working, "205");
    EXPECT_TRUE(zel.marks(1).workingOutOfRange);
    EXPECT_EQ(zel.unprogrammedCount(), 1);
    zel.program();
    EXPECT_EQ(bench.radio.tuningArea()[0x3F], 205);
    EXPECT_EQ(bench.radio.tuningArea()[0x3E], bench.session.image[0x3E]);
}

} // namespace
} // namespace korvelo
