// The simulated radio on a real pseudo-terminal: a round trip through the slave device, the
// port closed and opened again between actions, line-rate pacing and a prompt stop.
#include "link/command_frame.h"
#include "sim/pty_radio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace korvelo::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

int openSlave(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

void writeHex(int fd, const std::string& hex) {
    const Bytes b = hexToBytes(hex);
    ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
}

// Reads until n bytes have come or the time is up.
Bytes readBytes(int fd, std::size_t n, int timeoutMs = 2000) {
    Bytes got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < n) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        std::uint8_t buf[128];
        const ssize_t r = ::read(fd, buf, std::min(sizeof buf, n - got.size()));
        if (r > 0)
            got.insert(got.end(), buf, buf + r);
    }
    return got;
}

TEST(PtyRadio, RoundTripAcrossReopenedPorts) {
    PtyRadio radio;
    std::string error;
    ASSERT_TRUE(radio.start(&error)) << error;
    ASSERT_FALSE(radio.devicePath().empty());

    int fd = openSlave(radio.devicePath());
    ASSERT_GE(fd, 0);
    writeHex(fd, CommandFrame::enterTunerMode());
    EXPECT_EQ(readBytes(fd, 5), hexToBytes("02 10 06 16 03"));
    ::close(fd);

    // The program closes its port between actions: the radio must still be there after.
    fd = openSlave(radio.devicePath());
    ASSERT_GE(fd, 0);
    writeHex(fd, CommandFrame::radioType());
    EXPECT_EQ(readBytes(fd, 8), hexToBytes("02 10 79 00 01 00 8A 03"));
    ::close(fd);

    EXPECT_TRUE(radio.withModel([](RadioModel& m) { return m.tunerMode; }));
    EXPECT_EQ(radio.withModel([](RadioModel& m) { return m.received().size(); }), 2u);
    radio.stop();
    EXPECT_FALSE(radio.running());
}

TEST(PtyRadio, PacedAnswerTakesLineTimeAndStopIsPrompt) {
    PtyRadio radio;
    ASSERT_TRUE(radio.start());
    radio.withModel([](RadioModel& m) { m.faults.pace = true; });
    const int fd = openSlave(radio.devicePath());
    ASSERT_GE(fd, 0);

    const auto t0 = Clock::now();
    writeHex(fd, CommandFrame::readBlock(0x1F00));
    const Bytes block = readBytes(fd, 73);
    const auto took = Clock::now() - t0;
    ASSERT_EQ(block.size(), 73u);
    EXPECT_EQ(block[2], 0x03);
    // 73 bytes of 11 bits at 19,200 bit/s: 41.8 ms at the least.
    EXPECT_GE(took, std::chrono::microseconds(lineTimeUs(72)));

    // An answer held back by a long gap must not hold up stop().
    radio.withModel([](RadioModel& m) { m.faults.splitGapMs = 10000; });
    writeHex(fd, CommandFrame::fwVersion());
    EXPECT_EQ(readBytes(fd, 6, 1000).size(), 6u); // the first half
    const auto s0 = Clock::now();
    radio.stop();
    EXPECT_LT(Clock::now() - s0, std::chrono::seconds(2));
    ::close(fd);
}

} // namespace
} // namespace korvelo::sim
