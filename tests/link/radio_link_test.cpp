// The link object's send-and-wait on virtual time, and the virtual clock itself.
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "recording_port.h"
#include "reply_frames.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Step = VirtualClock::Step;

class RadioLinkTest : public ::testing::Test, protected testing::RecordingLinkBench {
  protected:
    // The radio answers each write after delayMs, in one receive event.
    void answerWith(Bytes reply, int delayMs) {
        line.onWrite = [this, reply, delayMs](ReplyObjects& r, const Bytes&) {
            clock.schedule(delayMs, [&r, reply] {
                r.feed(reply.data(), reply.size());
                r.endOfReceiveEvent();
            });
        };
    }
};

TEST_F(RadioLinkTest, ReplyWakesTheWaitAndIsReadFromTheStatus) {
    answerWith(testing::kAckFrame, 20);
    link.OpenPort();
    EXPECT_TRUE(link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000));
    EXPECT_EQ(link.replyStatus(), kStatusAck);
    EXPECT_EQ(clock.steps(),
              (std::vector<Step>{{Step::Sleep, 100, false}, {Step::Wait, 5000, true}}));
}

// A status left from an earlier reply nobody examined must not pass for the answer to the
// next command whose own reply is lost.
TEST_F(RadioLinkTest, StaleStatusAndSignalAreClearedBeforeEverySend) {
    link.OpenPort();
    replies.replyStatus = kStatusAck;
    replies.replyEvent.set();
    EXPECT_FALSE(link.sendAndWait(CommandFrame::noData(Cmd::ZelCheck), 80, 3000));
    EXPECT_EQ(link.replyStatus(), kStatusNone);

    replies.replyStatus = kStatusAck;
    replies.replyEvent.set();
    EXPECT_FALSE(link.sendAndWaitPumped(CommandFrame::oneByte(Cmd::PowerValue, 5), 100));
    EXPECT_EQ(link.replyStatus(), kStatusNone);
}

TEST_F(RadioLinkTest, EveryWaitIsBounded) {
    link.OpenPort();
    EXPECT_FALSE(link.waitReply(2500));
    EXPECT_EQ(clock.nowMs(), 2500);
    clock.clearSteps();

    // The unbounded waits of the catalogue: 3,000 ms in all.
    EXPECT_FALSE(link.waitReplyPumped());
    EXPECT_EQ(clock.steps(), (std::vector<Step>{{Step::Wait, 3000, false}}));
    clock.clearSteps();

    // Longer bounds are waited in 3,000 ms slices with a short pause between them.
    EXPECT_FALSE(link.waitReplyPumped(7000));
    EXPECT_EQ(clock.steps(), (std::vector<Step>{{Step::Wait, 3000, false},
                                                {Step::Sleep, 1, false},
                                                {Step::Wait, 3000, false},
                                                {Step::Sleep, 1, false},
                                                {Step::Wait, 1000, false}}));
}

TEST_F(RadioLinkTest, PumpedWaitEndsInTheSliceTheReplyComesIn) {
    answerWith(testing::kNakFrame, 4000);
    link.OpenPort();
    EXPECT_TRUE(link.sendAndWaitPumped(CommandFrame::oneByte(Cmd::SquelchValue, 9), 80, 9000));
    EXPECT_EQ(link.replyStatus(), kStatusNak);
    EXPECT_EQ(clock.nowMs(), 4000);
}

TEST_F(RadioLinkTest, SplitReplyWakesTheCallerOnlyWhenComplete) {
    const Bytes frame = testing::infoReply(0x71, {0x30, 0x31, 0x2E, 0x30, 0x32});
    line.onWrite = [this, frame](ReplyObjects& r, const Bytes&) {
        clock.schedule(30, [&r, frame] {
            r.feed(frame.data(), 4);
            r.endOfReceiveEvent();
        });
        clock.schedule(400, [&r, frame] {
            r.feed(frame.data() + 4, frame.size() - 4);
            r.endOfReceiveEvent();
        });
    };
    link.OpenPort();
    EXPECT_TRUE(link.sendAndWait(CommandFrame::fwVersion(), 100, 5000));
    EXPECT_EQ(clock.nowMs(), 400);
    EXPECT_EQ(link.replyStatus(), kStatusData);
    EXPECT_EQ(link.replyData(2), 0x30);
    EXPECT_EQ(link.replyData(6), 0x32);
}

TEST_F(RadioLinkTest, PortThatCannotBeOpenedIsReportedAndSetsPortFault) {
    line.openResult = {false, true, "/dev/test0 is in use by another program."};
    link.OpenPort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(portFault);
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].text, "Fail Port open\n/dev/test0 is in use by another program.");
    EXPECT_EQ(notifier.notices[0].icon, Icon::Exclamation);
    // The send goes nowhere and the wait runs into its time-out.
    EXPECT_FALSE(link.sendAndWait(CommandFrame::radioType(), 100, 2500));
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(clock.nowMs(), 2600);
}

// Once the port opens again (cable back in), the fault left by an earlier failure is over;
// otherwise a manually chosen port would stay refused until the program is restarted.
TEST_F(RadioLinkTest, APortThatOpensAgainClearsTheFault) {
    line.openResult = {false, true, "/dev/test0 is in use by another program."};
    link.OpenPort();
    ASSERT_TRUE(portFault);
    line.openResult = {true, false, ""};
    link.OpenPort();
    EXPECT_TRUE(link.isOpen());
    EXPECT_FALSE(portFault);
}

TEST_F(RadioLinkTest, SettingsThatCannotBeAppliedFailQuietly) {
    line.openResult = {false, false, "The line settings cannot be applied."};
    link.OpenPort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(portFault);
    EXPECT_TRUE(notifier.notices.empty());
}

// A flood the exchange came through ("buff full" on the receive thread) is no failure to tell;
// after a wait that ended without its answer it is, with what it means.
TEST_F(RadioLinkTest, MessagesOfTheReceiveThreadAreShownByTheCaller) {
    answerWith(testing::kAckFrame, 20);
    link.OpenPort();
    line.pendingNotices = {{"buff full", Icon::None}};
    EXPECT_TRUE(link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000));
    EXPECT_TRUE(notifier.notices.empty());
    line.onWrite = {};
    line.pendingNotices = {{"buff full", Icon::None}};
    EXPECT_FALSE(link.waitReply(100));
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0],
              (Notice{"buff full\nThe radio's bytes came faster than they could be taken, and "
                      "some were dropped.",
                      Icon::None}));
    line.pendingNotices = {{"Error while creating ThreadWatchComm, /dev/test0", Icon::None}};
    link.close();
    ASSERT_EQ(notifier.notices.size(), 2u);
    EXPECT_FALSE(link.isOpen());
}

TEST(VirtualClock, RunsScheduledWorkInTimeOrderDuringSleepsAndWaits) {
    VirtualClock clock;
    ReplyEvent event;
    std::vector<std::pair<std::int64_t, int>> ran;
    clock.schedule(50, [&] { ran.push_back({clock.nowMs(), 2}); });
    clock.schedule(10, [&] {
        ran.push_back({clock.nowMs(), 1});
        clock.schedule(5, [&] { ran.push_back({clock.nowMs(), 3}); }); // at 15
    });
    clock.schedule(50, [&] { ran.push_back({clock.nowMs(), 4}); }); // same time, later order
    clock.sleepMs(40);
    EXPECT_EQ(clock.nowMs(), 40);
    EXPECT_EQ(ran, (std::vector<std::pair<std::int64_t, int>>{{10, 1}, {15, 3}}));

    clock.schedule(100, [&] { event.set(); }); // at 140
    EXPECT_TRUE(clock.wait(event, 1000));
    EXPECT_EQ(clock.nowMs(), 140);
    EXPECT_EQ(ran.size(), 4u);
    EXPECT_EQ(ran[2], (std::pair<std::int64_t, int>{50, 2}));
    EXPECT_EQ(ran[3], (std::pair<std::int64_t, int>{50, 4}));

    // The signal was consumed; a wait without work runs to its time-out.
    EXPECT_FALSE(clock.wait(event, 250));
    EXPECT_EQ(clock.nowMs(), 390);
    // Work beyond the time-out stays pending.
    clock.schedule(500, [&] { event.set(); });
    EXPECT_FALSE(clock.wait(event, 100));
    EXPECT_TRUE(clock.wait(event, 1000));
    EXPECT_EQ(clock.nowMs(), 890);
    EXPECT_EQ(clock.steps().size(), 5u);
}

} // namespace
} // namespace korvelo
