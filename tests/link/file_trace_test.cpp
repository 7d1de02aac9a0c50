#include "link/file_trace.h"
#include "link/reply_objects.h"
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

} // namespace
} // namespace korvelo
