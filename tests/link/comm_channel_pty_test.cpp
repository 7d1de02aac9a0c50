// The serial channel end to end: a pseudo-terminal plays the radio, the real receive thread
// and real time are used.
#include "link/comm_channel.h"
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "reply_frames.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace korvelo {
namespace {

using namespace std::chrono;
using Bytes = std::vector<std::uint8_t>;
using testing::PtyPair;

std::size_t threadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// CPU time of the whole process, user and system.
// A close that waited for the radio would never return (the receive thread waits without a
// time-out); the bound only has to be far beyond scheduling delays on a loaded machine.
constexpr auto kPromptClose = std::chrono::milliseconds(2000);

double cpuMs() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

PortSettings radioLine(const std::string& device) {
    PortSettings s;
    s.portName = device;
    return s;
}

class PtyLinkTest : public ::testing::Test {
  protected:
    LinkEnv env() { return LinkEnv{replies, clock, notifier, ports, portFault}; }

    PtyPair pty;
    ReplyObjects replies;
    RealClock clock;
    RecordingNotifier notifier;
    FixedPortProvider ports{pty.slavePath()};
    bool portFault = false;
};

TEST_F(PtyLinkTest, RepliesWrittenByTheRadioLandInTheReplyObjects) {
    RadioLink link(env());
    link.OpenPort();
    ASSERT_TRUE(link.isOpen()) << (notifier.notices.empty() ? "" : notifier.notices[0].text);

    link.resetReply();
    link.SendHex(CommandFrame::enterTunerMode());
    EXPECT_EQ(pty.receive(5, 2000), (Bytes{0x02, 0x02, 0x40, 0x42, 0x03}));
    pty.send(testing::kAckFrame);
    ASSERT_TRUE(link.waitReply(2000));
    EXPECT_EQ(link.replyStatus(), kStatusAck);

    // A block reply that arrives in two pieces 150 ms apart wakes the caller once, complete.
    link.resetReply();
    link.SendHex(CommandFrame::readBlock(0x1F40));
    EXPECT_EQ(pty.receive(9, 2000), hexToBytes(CommandFrame::readBlock(0x1F40)));
    const Bytes block = testing::countingBytes(64, 0x20);
    const Bytes frame = testing::blockReply(0x1F40, block);
    const auto sentAt = steady_clock::now();
    std::thread radio([&] {
        pty.send(Bytes(frame.begin(), frame.begin() + 20));
        std::this_thread::sleep_for(150ms);
        pty.send(Bytes(frame.begin() + 20, frame.end()));
    });
    const bool woke = link.waitReply(3000);
    const auto waited = steady_clock::now() - sentAt;
    radio.join();
    ASSERT_TRUE(woke) << "state " << replies.assembler().state() << " status "
                      << int(link.replyStatus());
    EXPECT_GE(waited, 140ms);
    EXPECT_EQ(link.replyStatus(), kStatusData);
    for (std::size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(link.replyData(4 + i), block[i]) << i;
    link.close();
    EXPECT_FALSE(link.isOpen());
}

// TIOCEXCL alone would let root open the port a second time; the lock refuses it too.
TEST_F(PtyLinkTest, ASecondOpenOfAHeldPortFails) {
    RadioLink first(env());
    first.OpenPort();
    ASSERT_TRUE(first.isOpen());

    // Another program: reply objects of its own.
    ReplyObjects otherReplies;
    RecordingNotifier secondNotifier;
    bool secondFault = false;
    RadioLink second(LinkEnv{otherReplies, clock, secondNotifier, ports, secondFault});
    second.OpenPort();
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(secondFault);
    ASSERT_EQ(secondNotifier.notices.size(), 1u);
    EXPECT_EQ(secondNotifier.notices[0].icon, Icon::Exclamation);
    EXPECT_EQ(secondNotifier.notices[0].text.rfind("Fail Port open\n", 0), 0u);
    EXPECT_NE(secondNotifier.notices[0].text.find("in use"), std::string::npos)
        << secondNotifier.notices[0].text << (::geteuid() == 0 ? " (as root)" : "");

    // Once the first is closed the port is free again, for ordinary users too.
    first.close();
    second.OpenPort();
    EXPECT_TRUE(second.isOpen());
}

// The channels of one program share its reply objects. While one channel's receive thread
// feeds the assembler, a second one must neither reset it from this thread nor deliver into
// it: it is refused without touching its port, and the link says so without a port fault.
TEST_F(PtyLinkTest, ASecondChannelOfTheProgramIsRefusedWhileOneDelivers) {
    std::atomic<bool> stop{false};
    std::thread radio([&] {
        const Bytes noise(16, 0x55);
        while (!stop) {
            pty.send(noise, 20);
            std::this_thread::sleep_for(1ms);
        }
    });
    CommChannel first(replies);
    ASSERT_TRUE(first.open(radioLine(pty.slavePath())).ok);
    std::this_thread::sleep_for(100ms);

    PtyPair other;
    CommChannel second(replies);
    const OpenResult refused = second.open(radioLine(other.slavePath()));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.portOpenFailed);
    EXPECT_FALSE(second.isOpen());

    RadioLink link(env());
    link.OpenPort();
    EXPECT_FALSE(link.isOpen());
    EXPECT_FALSE(portFault);
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].text, "Fail Port open\nThe radio link is already in use by "
                                        "another operation of this program.");

    stop = true;
    radio.join();
    first.close();
    EXPECT_TRUE(second.open(radioLine(other.slavePath())).ok);
}

TEST_F(PtyLinkTest, OpenFailuresSayWhy) {
    CommChannel channel(replies);
    OpenResult r = channel.open(radioLine("/dev/korvelo-no-such-port"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.portOpenFailed);
    EXPECT_NE(r.reason.find("is not there"), std::string::npos) << r.reason;
    EXPECT_FALSE(channel.isOpen());

    // Not a serial device: a failed open with its reason, at once, not a silent radio later.
    const std::string plainFile = ::testing::TempDir() + "korvelo-not-a-port";
    std::fclose(std::fopen(plainFile.c_str(), "w"));
    for (const std::string& device : {std::string("/dev/null"), plainFile}) {
        r = channel.open(radioLine(device));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.portOpenFailed);
        EXPECT_EQ(r.reason,
                  device + " is not a serial device; its line settings cannot be applied.");
        EXPECT_FALSE(channel.isOpen());
        EXPECT_FALSE(channel.receiveThreadRunning());
    }
    std::remove(plainFile.c_str());
    FixedPortProvider devNull("/dev/null");
    RadioLink link(LinkEnv{replies, clock, notifier, devNull, portFault});
    const auto start = steady_clock::now();
    link.OpenPort();
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));
    EXPECT_TRUE(portFault);
    ASSERT_EQ(notifier.notices.size(), 1u);
    EXPECT_EQ(notifier.notices[0].text, "Fail Port open\n/dev/null is not a serial device; its "
                                        "line settings cannot be applied.");

    // Settings this layer cannot give (one and a half stop bits).
    PortSettings odd = radioLine(pty.slavePath());
    odd.stopBits = 1;
    r = channel.open(odd);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.portOpenFailed);
}

TEST_F(PtyLinkTest, WritingOnAClosedChannelSendsNothing) {
    CommChannel channel(replies);
    const Bytes cmd = hexToBytes(CommandFrame::radioFlags());
    EXPECT_EQ(channel.write(cmd.data(), cmd.size()), 0u);

    // A frame half-received earlier does not survive into the new channel.
    replies.feed(Bytes{0x02, 0x10}.data(), 2);
    ASSERT_TRUE(channel.open(radioLine(pty.slavePath())).ok);
    EXPECT_FALSE(replies.assembler().midFrame());
    EXPECT_EQ(channel.write(cmd.data(), cmd.size()), cmd.size());
    EXPECT_EQ(pty.receive(cmd.size(), 2000), cmd);

    channel.close();
    EXPECT_EQ(channel.write(cmd.data(), cmd.size()), 0u);
    EXPECT_TRUE(pty.receive(1, 100).empty());
}

TEST_F(PtyLinkTest, ClosingWhileTheRadioStreamsIsPromptAndEndsTheThread) {
    std::atomic<bool> stop{false};
    std::thread radio([&] {
        const Bytes noise(512, 0x55);
        while (!stop)
            pty.send(noise, 20);
    });
    const std::size_t threadsBefore = threadCount();
    {
        CommChannel channel(replies);
        ASSERT_TRUE(channel.open(radioLine(pty.slavePath())).ok);
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(channel.receiveThreadRunning());
        const auto t0 = steady_clock::now();
        channel.close();
        EXPECT_LT(steady_clock::now() - t0, kPromptClose);
        EXPECT_FALSE(channel.receiveThreadRunning());
        EXPECT_EQ(threadCount(), threadsBefore);
        // An overflowing port is reported once, not once per batch.
        int buffFull = 0;
        for (const Notice& n : channel.takeNotices())
            buffFull += n.text == "buff full";
        EXPECT_LE(buffFull, 1);
    }
    stop = true;
    radio.join();
}

TEST_F(PtyLinkTest, AnIdleOpenPortUsesNoCpu) {
    CommChannel channel(replies);
    ASSERT_TRUE(channel.open(radioLine(pty.slavePath())).ok);
    std::this_thread::sleep_for(50ms);
    const double before = cpuMs();
    std::this_thread::sleep_for(1000ms);
    EXPECT_LT(cpuMs() - before, 30.0);
}

// The radio side vanishes (cable pulled): the receive thread must not spin on the hang-up,
// writes fail, and close still returns at once.
TEST_F(PtyLinkTest, AVanishedPortIsLeftAloneUntilClose) {
    CommChannel channel(replies);
    ASSERT_TRUE(channel.open(radioLine(pty.slavePath())).ok);
    pty.hangUp();
    std::this_thread::sleep_for(100ms);
    const double before = cpuMs();
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(cpuMs() - before, 30.0);
    const Bytes cmd = hexToBytes(CommandFrame::pttOff());
    EXPECT_EQ(channel.write(cmd.data(), cmd.size()), 0u);
    const auto t0 = steady_clock::now();
    channel.close();
    EXPECT_LT(steady_clock::now() - t0, kPromptClose);
    EXPECT_FALSE(channel.receiveThreadRunning());
}

} // namespace
} // namespace korvelo
