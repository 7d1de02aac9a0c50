// The reply assembler and the reply objects it fills, fed as the receive thread feeds them.
#include "link/reply_objects.h"
#include "reply_frames.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

using testing::Bytes;
using testing::concat;
using testing::countingBytes;
using testing::kAckFrame;
using testing::kNakFrame;

class AssemblerTest : public ::testing::Test {
  protected:
    // One receive event: the bytes, then its end.
    void receive(const Bytes& bytes) {
        replies.feed(bytes.data(), bytes.size());
        replies.endOfReceiveEvent();
    }
    Bytes data(std::size_t n) const {
        const auto all = replies.replyData.copy();
        return Bytes(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(n));
    }
    // Marks replyData so that an unwanted store shows.
    void poisonData() {
        const Bytes marks(ReplyData::kSize, 0xEE);
        replies.replyData.store(marks.data(), marks.size());
    }

    ReplyObjects replies;
};

TEST_F(AssemblerTest, AckAndNakSetTheirStatusAndLeaveDataAlone) {
    poisonData();
    receive(kAckFrame);
    EXPECT_EQ(replies.replyStatus.load(), kStatusAck);
    EXPECT_TRUE(replies.replyEvent.tryTake());
    receive(kNakFrame);
    EXPECT_EQ(replies.replyStatus.load(), kStatusNak);
    EXPECT_EQ(data(ReplyData::kSize), Bytes(ReplyData::kSize, 0xEE));
}

TEST_F(AssemblerTest, InformationReplyKeepsLengthDataChecksumAndEndByte) {
    receive({0x02, 0x10, 0x79, 0x00, 0x01, 0x05, 0x8F, 0x03});
    EXPECT_EQ(replies.replyStatus.load(), kStatusData);
    EXPECT_EQ(data(5), (Bytes{0x00, 0x01, 0x05, 0x8F, 0x03}));

    // Every information code, with a longer payload.
    for (std::uint8_t code : {0x71, 0x77, 0x7F, 0x93}) {
        replies.replyStatus = kStatusNone;
        const Bytes payload = countingBytes(10, code);
        const Bytes frame = testing::infoReply(code, payload);
        receive(frame);
        EXPECT_EQ(replies.replyStatus.load(), kStatusData) << int(code);
        EXPECT_EQ(data(14), Bytes(frame.begin() + 3, frame.end())) << int(code);
    }
}

TEST_F(AssemblerTest, BlockReplyPutsTheDataAtFourOn) {
    const Bytes block = countingBytes(64, 0x80);
    receive(testing::blockReply(0x1F40, block));
    ASSERT_EQ(replies.replyStatus.load(), kStatusData);
    const Bytes got = data(68);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{0x1F, 0x40, 0x00, 0x40}));
    EXPECT_EQ(Bytes(got.begin() + 4, got.end()), block);
}

TEST_F(AssemblerTest, DamagedFramesAreDiscardedWithoutTouchingTheReplyObjects) {
    replies.replyStatus = kStatusAck;
    poisonData();
    receive({0x02, 0x10, 0x79, 0x00, 0x01, 0x05, 0x8E, 0x03}); // wrong checksum
    receive({0x02, 0x10, 0x79, 0x00, 0x01, 0x05, 0x8F, 0x04}); // wrong end byte
    receive({0x02, 0x10, 0x06, 0x17, 0x03});                   // ACK with a wrong checksum
    receive({0x02, 0x10, 0x44, 0x46, 0x03});                   // unknown reply code
    EXPECT_EQ(replies.replyStatus.load(), kStatusAck);
    EXPECT_EQ(data(8), Bytes(8, 0xEE));
    // Each of them still ended its receive event, and the assembler is ready for the next.
    EXPECT_FALSE(replies.assembler().midFrame());
    receive(kNakFrame);
    EXPECT_EQ(replies.replyStatus.load(), kStatusNak);
}

TEST_F(AssemblerTest, BytesBetweenFramesAreIgnored) {
    receive(concat({{0x55, 0x03, 0x10, 0xFF}, kNakFrame, {0x00, 0x10, 0x06}, kAckFrame}));
    EXPECT_EQ(replies.replyStatus.load(), kStatusAck);
    // A wrong end byte drops its frame; the next STX starts a new one.
    receive(concat({{0x02, 0x10, 0x15, 0x25, 0x00}, kNakFrame}));
    EXPECT_EQ(replies.replyStatus.load(), kStatusNak);
}

TEST_F(AssemblerTest, TheByteAfterALoneStartByteIsNotAStartByte) {
    receive({0x02, 0x02, 0x10, 0x06, 0x16, 0x03});
    EXPECT_EQ(replies.replyStatus.load(), kStatusNone);
}

TEST_F(AssemblerTest, ReceiveEventWithoutACompleteFrameStillSignals) {
    receive({0x41, 0x42});
    EXPECT_TRUE(replies.replyEvent.tryTake());
    EXPECT_EQ(replies.replyStatus.load(), kStatusNone);
}

TEST_F(AssemblerTest, ReplySplitOverTwoReceiveEventsIsRecognisedAndSignalledOnce) {
    const Bytes frame = testing::blockReply(0x3F00, countingBytes(64));
    receive(Bytes(frame.begin(), frame.begin() + 30));
    // The caller must not wake on the first half.
    EXPECT_FALSE(replies.replyEvent.isSet());
    EXPECT_TRUE(replies.assembler().midFrame());
    EXPECT_EQ(replies.replyStatus.load(), kStatusNone);
    receive(Bytes(frame.begin() + 30, frame.end()));
    EXPECT_TRUE(replies.replyEvent.isSet());
    EXPECT_EQ(replies.replyStatus.load(), kStatusData);
    EXPECT_EQ(data(68)[67], 63);

    // Split right before the end byte too.
    replies.replyEvent.reset();
    receive(Bytes(kAckFrame.begin(), kAckFrame.end() - 1));
    EXPECT_FALSE(replies.replyEvent.isSet());
    receive({0x03});
    EXPECT_EQ(replies.replyStatus.load(), kStatusAck);
    EXPECT_TRUE(replies.replyEvent.isSet());
}

// The frame buffer holds 128 bytes: an information reply with 121 data bytes just fits, one
// with 122 does not. An oversized frame is dropped without writing past the buffers, and the
// frames after it decode normally.
TEST_F(AssemblerTest, DeclaredLengthBeyondTheFrameBufferIsDropped) {
    const Bytes fits = testing::infoReply(0x77, countingBytes(121));
    ASSERT_EQ(fits.size(), 128u);
    receive(fits);
    ASSERT_EQ(replies.replyStatus.load(), kStatusData);
    EXPECT_EQ(data(125), Bytes(fits.begin() + 3, fits.end()));

    replies.replyStatus = kStatusNone;
    poisonData();
    receive(testing::infoReply(0x77, countingBytes(122)));
    receive(testing::infoReply(0x77, countingBytes(255)));
    receive(testing::blockReply(0x1F00, countingBytes(255)));
    EXPECT_EQ(replies.replyStatus.load(), kStatusNone);
    EXPECT_EQ(data(ReplyData::kSize), Bytes(ReplyData::kSize, 0xEE));

    // A dropped frame must not leave its data count behind for the next one.
    const Bytes block = countingBytes(64, 7);
    receive(testing::blockReply(0x1F00, block));
    ASSERT_EQ(replies.replyStatus.load(), kStatusData);
    EXPECT_EQ(data(68)[67], block.back());
}

TEST_F(AssemblerTest, ANewChannelStartsTheAssemblerAtTheBeginning) {
    receive({0x02, 0x10, 0x79, 0x00});
    ASSERT_TRUE(replies.assembler().midFrame());
    replies.assembler().resetState();
    receive(kAckFrame);
    EXPECT_EQ(replies.replyStatus.load(), kStatusAck);
}

} // namespace
} // namespace korvelo
