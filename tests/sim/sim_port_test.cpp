// The in-memory transport: answers reach the reply objects on the virtual clock, with the
// line's timing and the faults' timing, and never through a closed port.
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "support/sim_bench.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

using Step = VirtualClock::Step;

TEST(SimPort, AnswersLandInTheReplyObjects) {
    SimBench bench;
    bench.radio.radioType = 7;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    ASSERT_TRUE(link.isOpen());
    EXPECT_EQ(bench.ports.openChannels(), 1);

    EXPECT_TRUE(link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000));
    EXPECT_EQ(link.replyStatus(), kStatusAck);
    EXPECT_TRUE(link.sendAndWait(CommandFrame::radioType(), 100, 2500));
    EXPECT_EQ(link.replyStatus(), kStatusData);
    EXPECT_EQ(link.replyData(2), 7);
    EXPECT_TRUE(link.sendAndWait(CommandFrame::readBlock(0x1F80), 130, 3000));
    EXPECT_EQ(link.replyStatus(), kStatusData);
    for (std::size_t i = 0; i < 64; ++i)
        ASSERT_EQ(link.replyData(4 + i), bench.radio.tuningArea()[0x80 + i]) << i;

    // Unpaced answers are there before the pause ends: every wait is signalled at once.
    const std::vector<Step> expected{{Step::Sleep, 100, false}, {Step::Wait, 5000, true},
                                     {Step::Sleep, 100, false}, {Step::Wait, 2500, true},
                                     {Step::Sleep, 130, false}, {Step::Wait, 3000, true}};
    EXPECT_EQ(bench.clock.steps(), expected);
    EXPECT_EQ(bench.clock.nowMs(), 330);
    ASSERT_EQ(bench.radio.received().size(), 3u);
    EXPECT_EQ(bench.radio.received()[1].atMs, 100);
    EXPECT_EQ(bench.radio.received()[2].atMs, 200);

    link.close();
    EXPECT_EQ(bench.ports.openChannels(), 0);
    EXPECT_EQ(bench.ports.opens(), 1);
    EXPECT_EQ(bench.ports.lastSettings().baudRate, 19200u);
    EXPECT_EQ(bench.ports.lastSettings().stopBits, 2);
}

TEST(SimPort, PacingTakesElevenBitsPerByteAt19200) {
    SimBench bench;
    bench.radio.faults.pace = true;
    RadioLink link(bench.linkEnv());
    link.OpenPort();

    // A block answer is 73 bytes: 803 bits, 41.8 ms on the line.
    link.resetReply();
    link.SendHex(CommandFrame::readBlock(0x1F00));
    EXPECT_FALSE(link.waitReply(41));
    EXPECT_EQ(link.replyStatus(), kStatusNone);
    EXPECT_TRUE(link.waitReply(100));
    EXPECT_EQ(bench.clock.nowMs(), 42);
    EXPECT_EQ(link.replyStatus(), kStatusData);

    // An ACK is 5 bytes: 2.9 ms.
    const std::int64_t t0 = bench.clock.nowMs();
    link.resetReply();
    link.SendHex(CommandFrame::enterTunerMode());
    EXPECT_TRUE(link.waitReply(100));
    EXPECT_EQ(bench.clock.nowMs() - t0, 3);
    EXPECT_EQ(sim::lineTimeUs(73), 41822);
}

TEST(SimPort, SplitAnswerSignalsOnlyWhenComplete) {
    SimBench bench;
    bench.radio.faults.splitGapMs = 200;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    link.resetReply();
    link.SendHex(CommandFrame::enterTunerMode());
    // The first half arrives at once but leaves the assembler mid-frame: no signal yet.
    EXPECT_FALSE(link.waitReply(150));
    EXPECT_TRUE(bench.replies.assembler().midFrame());
    EXPECT_TRUE(link.waitReply(150));
    EXPECT_EQ(bench.clock.nowMs(), 200);
    EXPECT_EQ(link.replyStatus(), kStatusAck);
}

TEST(SimPort, GarbageAndHangUpReachTheAssembler) {
    SimBench bench;
    bench.radio.faults.garbageBefore = true;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    EXPECT_TRUE(link.sendAndWait(CommandFrame::fwVersion(), 100, 5000));
    EXPECT_EQ(link.replyStatus(), kStatusData);
    EXPECT_EQ(link.replyData(2), 'R');

    // Half a frame and then nothing: the caller's wait runs out.
    bench.radio.faults = {};
    bench.radio.faults.hangUpMidReply = true;
    EXPECT_FALSE(link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000));
    EXPECT_EQ(link.replyStatus(), kStatusNone);
    EXPECT_TRUE(bench.radio.tunerMode);
}

TEST(SimPort, ClosedPortCarriesNothing) {
    SimBench bench;
    bench.radio.faults.pace = true;
    auto channel = bench.ports.makeChannel(bench.replies);
    const std::uint8_t enter[] = {0x02, 0x02, 0x40, 0x42, 0x03};
    EXPECT_EQ(channel->write(enter, sizeof enter), 0u);
    EXPECT_TRUE(bench.radio.received().empty());

    // An answer still on the line when the port closes is lost, even if it is opened again.
    PortSettings settings;
    settings.portName = "SIM";
    ASSERT_TRUE(channel->open(settings).ok);
    EXPECT_EQ(channel->write(enter, sizeof enter), sizeof enter);
    channel->close();
    ASSERT_TRUE(channel->open(settings).ok);
    bench.clock.sleepMs(50);
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);
    EXPECT_FALSE(bench.replies.replyEvent.isSet());
    // The same after the channel is gone.
    channel->write(enter, sizeof enter);
    channel.reset();
    bench.clock.sleepMs(50);
    EXPECT_EQ(bench.replies.replyStatus.load(), kStatusNone);
    EXPECT_EQ(bench.ports.openChannels(), 0);
}

TEST(SimPort, OpenFailuresAndWrongLineSettings) {
    SimBench bench;
    bench.ports.failOpen = true;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(bench.session.flags.portFault);
    ASSERT_EQ(bench.notifier.notices.size(), 1u);
    EXPECT_EQ(bench.notifier.notices[0], (Notice{"Fail Port open\nbusy", Icon::Exclamation}));

    // At another baud rate the radio understands nothing.
    bench.ports.failOpen = false;
    auto channel = bench.ports.makeChannel(bench.replies);
    PortSettings slow;
    slow.baudRate = 9600;
    ASSERT_TRUE(channel->open(slow).ok);
    const std::uint8_t enter[] = {0x02, 0x02, 0x40, 0x42, 0x03};
    EXPECT_EQ(channel->write(enter, sizeof enter), sizeof enter);
    EXPECT_TRUE(bench.radio.received().empty());
}

TEST(SimPort, SilentRadioLetsTheWaitRunOut) {
    SimBench bench;
    bench.radio.faults.silent = true;
    RadioLink link(bench.linkEnv());
    link.OpenPort();
    EXPECT_FALSE(link.sendAndWait(CommandFrame::enterTunerMode(), 100, 5000));
    EXPECT_EQ(bench.clock.nowMs(), 5100);
    EXPECT_EQ(bench.radio.received().size(), 1u);
}

} // namespace
} // namespace korvelo
