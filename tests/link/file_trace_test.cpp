#include "link/file_trace.h"
#include "link/reply_objects.h"
#include "link/traffic_log.h"
#include "reply_frames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

namespace korvelo {
namespace {

std::vector<std::string> linesOf(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

class FileTraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path =
            std::filesystem::temp_directory_path() /
            ("korvelo-trace-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::filesystem::path path;
};

TEST_F(FileTraceTest, SentAndReceivedFramesBecomeTimeStampedLines) {
    {
        FileFrameTrace trace(path.string());
        ASSERT_TRUE(trace.ok());
        const std::uint8_t tx[] = {0x02, 0x02, 0x40, 0x42, 0x03};
        trace.sent(tx);
        ReplyObjects replies;
        replies.setTrace(&trace);
        replies.feed(testing::kAckFrame.data(), testing::kAckFrame.size());
        replies.feed(testing::kNakFrame.data(), 3); // incomplete: not traced
    }
    const auto lines = linesOf(path);
    ASSERT_EQ(lines.size(), 2u);
    const std::regex stamp(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} )");
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\S+ TX 02 02 40 42 03)"))) << lines[0];
    EXPECT_TRUE(std::regex_search(lines[0], stamp)) << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\S+ RX 02 10 06 16 03)"))) << lines[1];

    // A second trace on the same file appends.
    FileFrameTrace again(path.string());
    const std::uint8_t one[] = {0x41};
    again.sent(one);
    EXPECT_EQ(linesOf(path).size(), 3u); // flushed at once
}

TEST_F(FileTraceTest, LinesFromTwoThreadsStayWhole) {
    FileFrameTrace trace(path.string());
    const std::vector<std::uint8_t> frame(40, 0xA5);
    auto writer = [&](bool tx) {
        for (int i = 0; i < 200; ++i)
            tx ? trace.sent(frame) : trace.received(frame);
    };
    std::thread a(writer, true), b(writer, false);
    a.join();
    b.join();
    const auto lines = linesOf(path);
    ASSERT_EQ(lines.size(), 400u);
    const std::regex whole(R"(\S+ (TX|RX)( A5){40})");
    for (const auto& l : lines)
        ASSERT_TRUE(std::regex_match(l, whole)) << l;
}

TEST(FileTrace, UnwritablePathIsNotOk) {
    FileFrameTrace trace("/nonexistent-korvelo-dir/trace.log");
    EXPECT_FALSE(trace.ok());
    const std::uint8_t b[] = {1};
    trace.sent(b); // harmless
}

// A block reply of one byte whose address numbers it.
std::vector<std::uint8_t> numberedBlock(unsigned n) {
    std::vector<std::uint8_t> f = {
        0x02, 0x10, 0x03, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n),
        0x00, 0x01, 0x5A};
    unsigned sum = 0;
    for (std::size_t i = 1; i < f.size(); ++i)
        sum += f[i];
    f.push_back(static_cast<std::uint8_t>(sum));
    f.push_back(0x03);
    return f;
}

// The traffic dock's hand-over: the receive side adds every frame it commits while the reader
// takes batches; every frame arrives once and in order, and a reader that falls behind costs
// the oldest frames only, never the writer's time.
TEST(TrafficLog, TheReceiveSideHandsOverInOrderAndKeepsTheLatest) {
    ReplyObjects replies;
    TrafficLog log;
    replies.setTrace(&log);
    constexpr unsigned kFrames = 10000;
    std::thread receive([&replies] {
        for (unsigned n = 0; n < kFrames; ++n) {
            const auto f = numberedBlock(n);
            replies.feed(f.data(), f.size());
            replies.endOfReceiveEvent();
        }
    });
    std::vector<unsigned> seen;
    while (seen.size() < kFrames) {
        for (const TrafficEvent& e : log.take()) {
            ASSERT_EQ(e.kind, TrafficEvent::Kind::Received);
            seen.push_back(unsigned{e.bytes[3]} << 8 | e.bytes[4]);
        }
        std::this_thread::yield();
    }
    receive.join();
    replies.setTrace(nullptr);
    for (unsigned n = 0; n < kFrames; ++n)
        ASSERT_EQ(seen[n], n);
    EXPECT_EQ(log.dropped(), 0u);

    TrafficLog small(100);
    for (unsigned n = 0; n < 150; ++n)
        small.sent(numberedBlock(n));
    small.paused(130);
    const auto kept = small.take();
    ASSERT_EQ(kept.size(), 100u);
    EXPECT_EQ(kept.front().bytes[4], 51);
    EXPECT_EQ(kept.back().kind, TrafficEvent::Kind::Pause);
    EXPECT_EQ(kept.back().ms, 130);
    EXPECT_EQ(small.dropped(), 51u);
    EXPECT_TRUE(small.take().empty());
}

} // namespace
} // namespace korvelo
