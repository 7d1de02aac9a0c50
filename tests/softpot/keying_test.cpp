// The keying state machine of the "PTT Toggle" button, one test per transition, against the
// simulated radio.
#include "power_page_fixture.h"

namespace korvelo {
namespace {

using Step = VirtualClock::Step;
using ::testing::ElementsAre;

TEST_F(PowerPageTest, ToggleKeysAndUnkeysWithItsPausesAndCaptions) {
    EXPECT_EQ(page->pttCaption(), "PTT Toggle");
    page->pttToggle();
    EXPECT_TRUE(page->keyed());
    EXPECT_EQ(page->pttCaption(), "PTT ON");
    EXPECT_TRUE(bench.radio.pttOn);
    page->pttToggle();
    EXPECT_FALSE(page->keyed());
    EXPECT_EQ(page->pttCaption(), "PTT OFF");
    EXPECT_FALSE(bench.radio.pttOn);
    EXPECT_THAT(frames(), ElementsAre(pttOn(), pttOff()));
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 80, false}, Step{Step::Wait, 2500, true},
                            Step{Step::Sleep, 80, false}, Step{Step::Wait, 2500, true}));
    EXPECT_EQ(bench.ports.openChannels(), 0) << "the port is never held between user actions";
}

TEST_F(PowerPageTest, ToggleWithoutReplyReportsButKeepsTheNewCaption) {
    bench.radio.scriptAnswers(Cmd::PttOn, {sim::Answer::Silent});
    page->pttToggle();
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_EQ(page->pttCaption(), "PTT ON");
    EXPECT_TRUE(page->keyed());
}

TEST_F(PowerPageTest, KeyedCommitOnTheSameRowGoesLive) {
    drag(High2, 40); // first commit: row setup
    page->pttToggle();
    bench.radio.clearReceived();
    drag(High2, 45);
    EXPECT_THAT(frames(), ElementsAre(power(45)));
    EXPECT_TRUE(page->keyed());
    EXPECT_EQ(page->pttCaption(), "PTT ON");
}

TEST_F(PowerPageTest, KeyedCommitOnAnotherRowUnkeysAndSetsThatRowUp) {
    drag(High2, 40);
    page->pttToggle();
    bench.radio.clearReceived();
    drag(High3, 10);
    ASSERT_EQ(frames().size(), 4u);
    EXPECT_EQ(frames()[0], pttOff());
    EXPECT_EQ(frames()[2], power(24)) << "the row's stored value, not the scroll position";
    EXPECT_FALSE(page->keyed());
    EXPECT_EQ(page->pttCaption(), "PTT Toggle");
    EXPECT_FALSE(bench.radio.pttOn);
}

// The page's status line tells which row the radio is set up for and whether it transmits.
TEST_F(PowerPageTest, StatusLineFollowsTheSetUpRowAndTheKeying) {
    EXPECT_EQ(page->statusText(), "Move a row's control to set the radio up for that point.");
    drag(Low3, 20);
    EXPECT_EQ(page->setUpRow(), std::optional<int>(Low3));
    EXPECT_EQ(page->statusText(), "Set up for Low Power, point 3 (155.00000 MHz). Press PTT "
                                  "Toggle to key the transmitter.");
    page->pttToggle();
    EXPECT_EQ(page->statusText(), "Set up for Low Power, point 3 (155.00000 MHz). Transmitter "
                                  "keyed: changes go to the radio as you make them.");
    drag(High1, 20);
    EXPECT_EQ(page->setUpRow(), std::optional<int>(High1));
    EXPECT_NE(page->statusText().find("Press PTT Toggle"), std::string::npos);

    // Program says so only when the radio answered.
    page->program();
    EXPECT_EQ(page->statusText().rfind("Programmed", 0), 0u);
    drag(High1, 21);
    EXPECT_EQ(page->statusText().rfind("Set up for High Power, point 1", 0), 0u);
    bench.radio.scriptAnswers(Cmd::WriteRegion, {sim::Answer::Silent});
    page->program();
    EXPECT_EQ(page->statusText(), "The radio did not confirm Program: the new values are only in "
                                  "the tuning image.");
}

// A PTT off from the button that the radio did not confirm is remembered: the status line
// warns, and the next row setup and the closing page send PTT off again.
TEST_F(PowerPageTest, AnUnconfirmedPttOffIsRememberedUntilAnOffIsConfirmed) {
    for (bool closeFirst : {true, false}) {
        openPage();
        drag(High1, 30);
        page->pttToggle();
        bench.radio.scriptAnswers(Cmd::PttOff, {sim::Answer::Silent});
        page->pttToggle();
        EXPECT_EQ(page->pttCaption(), "PTT OFF");
        EXPECT_EQ(page->statusText(),
                  "The radio did not confirm PTT off: the transmitter may still be on.");
        bench.radio.clearReceived();
        if (closeFirst) {
            page->close();
            EXPECT_THAT(frames(), ElementsAre(pttOff()));
        } else {
            drag(High1, 31);
            ASSERT_EQ(frames().size(), 4u);
            EXPECT_EQ(frames()[0], pttOff());
            EXPECT_EQ(page->statusText().rfind("Set up for High Power, point 1", 0), 0u);
            bench.radio.clearReceived();
            page->close();
            EXPECT_TRUE(frames().empty()) << "the off was confirmed by the row setup";
        }
        EXPECT_FALSE(bench.radio.pttOn);
    }
}

TEST_F(PowerPageTest, UnkeyedCommitSetsUpWithoutPttOffEvenOnTheSameRow) {
    drag(High1, 30); // the first commit after opening sets up even the first row
    EXPECT_EQ(frames().size(), 3u);
    page->pttToggle();
    page->pttToggle(); // "PTT OFF": lastRow survives, keyed does not
    bench.radio.clearReceived();
    drag(High1, 31);
    ASSERT_EQ(frames().size(), 3u);
    EXPECT_EQ(bench.radio.receivedFrames()[0][2], 0x42)
        << "no PTT off, straight to the set-up block";
    EXPECT_EQ(page->pttCaption(), "PTT Toggle");
}

TEST_F(PowerPageTest, PttOffTimingOutInARowSetupStopsAndLocksTheButtons) {
    drag(High1, 30);
    page->pttToggle();
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    bench.radio.scriptAnswers(Cmd::PttOff, {sim::Answer::Silent});

    drag(High2, 33);
    EXPECT_THAT(frames(), ElementsAre(pttOff())) << "nothing after the unanswered PTT off";
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 80, false}, Step{Step::Wait, 2300, false}));
    EXPECT_EQ(notices(), (std::vector<Notice>{{"Radio Coummunication Error", Icon::Exclamation}}));
    EXPECT_FALSE(page->pttEnabled());
    EXPECT_FALSE(page->programEnabled());
    EXPECT_EQ(page->pttCaption(), "PTT ON") << "the transmitter may still be on";
    EXPECT_FALSE(page->keyed());
    EXPECT_EQ(bench.ports.openChannels(), 0);

    // The next commit tries the PTT off again; once the radio answers, the setup goes on.
    bench.radio.clearReceived();
    drag(High2, 34);
    ASSERT_EQ(frames().size(), 4u);
    EXPECT_EQ(frames()[0], pttOff());
    EXPECT_EQ(page->pttCaption(), "PTT Toggle");
    EXPECT_TRUE(page->pttEnabled());
    EXPECT_TRUE(page->programEnabled());
}

TEST_F(PowerPageTest, ClosingAfterAFailedPttOffStillUnkeys) {
    drag(High1, 30);
    page->pttToggle();
    bench.radio.scriptAnswers(Cmd::PttOff, {sim::Answer::Silent});
    drag(High2, 33);
    ASSERT_FALSE(page->keyed());
    bench.radio.clearReceived();
    page->close();
    EXPECT_THAT(frames(), ElementsAre(pttOff()));
    EXPECT_FALSE(bench.radio.pttOn);
}

TEST_F(PowerPageTest, ClosingUnkeysOnlyInTunerMode) {
    page->pttToggle();
    bench.radio.clearReceived();
    bench.clock.clearSteps();
    bench.replies.replyStatus = kStatusAck;
    page->close();
    EXPECT_THAT(frames(), ElementsAre(pttOff()));
    EXPECT_THAT(bench.clock.steps(),
                ElementsAre(Step{Step::Sleep, 80, false}, Step{Step::Wait, 2000, true}));
    EXPECT_FALSE(page->keyed());
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);

    // The same page state without tuner mode: nothing is sent, the status is still cleared.
    openPage();
    page->pttToggle();
    bench.radio.clearReceived();
    bench.session.flags.inTunerMode = false;
    bench.replies.replyStatus = kStatusAck;
    page->close();
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);

    // The page closed without tuner mode left the transmitter on: the next page's button sends
    // PTT off first. Unkeyed by the button: closing sends nothing.
    bench.session.flags.inTunerMode = true;
    openPage();
    page->pttToggle();
    EXPECT_THAT(frames(), ElementsAre(pttOff()));
    EXPECT_FALSE(bench.radio.pttOn);
    page->pttToggle();
    page->pttToggle();
    bench.radio.clearReceived();
    page->close();
    EXPECT_TRUE(frames().empty());
}

} // namespace
} // namespace korvelo
