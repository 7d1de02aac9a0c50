// The simulated radio's protocol model: answers byte for byte, state changes, frame parsing
// and the fault switches.
#include "link/command_frame.h"
#include "sim/radio_model.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace korvelo::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The radio's answers to one command written as the program writes it.
std::vector<Reply> send(RadioModel& radio, const std::string& hex, std::int64_t atMs = 0) {
    return radio.receive(hexToBytes(hex), atMs);
}

// The single answer to one command, as bytes; empty when there is none.
Bytes answerTo(RadioModel& radio, const std::string& hex, std::int64_t atMs = 0) {
    const auto replies = send(radio, hex, atMs);
    EXPECT_LE(replies.size(), 1u) << hex;
    return replies.empty() ? Bytes{} : replies.front().bytes;
}

const Bytes kAck = {0x02, 0x10, 0x06, 0x16, 0x03};
const Bytes kNak = {0x02, 0x10, 0x15, 0x25, 0x03};

TEST(RadioModelAnswers, InformationRepliesAreByteExact) {
    RadioModel radio;
    radio.radioType = 5;
    radio.radioFlags = 0x10;
    EXPECT_EQ(answerTo(radio, CommandFrame::fwVersion()),
              hexToBytes("02 10 71 00 05 52 30 33 30 30 9B 03"));
    EXPECT_EQ(answerTo(radio, CommandFrame::serialNumber()),
              hexToBytes("02 10 77 00 0A 4B 56 30 30 30 31 32 33 34 35 C1 03"));
    EXPECT_EQ(answerTo(radio, CommandFrame::radioType()), hexToBytes("02 10 79 00 01 05 8F 03"));
    EXPECT_EQ(answerTo(radio, CommandFrame::countryCode()), hexToBytes("02 10 7F 00 01 01 91 03"));
    EXPECT_EQ(answerTo(radio, CommandFrame::radioFlags()), hexToBytes("02 10 93 00 01 10 B4 03"));
}

TEST(RadioModelAnswers, BlockReadReturnsTheTuningArea) {
    RadioModel radio;
    const Bytes reply = answerTo(radio, CommandFrame::readBlock(0x1F40));
    ASSERT_EQ(reply.size(), 73u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 7), hexToBytes("02 10 03 1F 40 00 40"));
    EXPECT_EQ(Bytes(reply.begin() + 7, reply.begin() + 71),
              Bytes(radio.tuningArea().begin() + 0x40, radio.tuningArea().begin() + 0x80));
    unsigned sum = 0x10 + 0x03 + 0x1F + 0x40 + 0x00 + 0x40;
    for (std::size_t i = 7; i < 71; ++i)
        sum += reply[i];
    EXPECT_EQ(reply[71], static_cast<std::uint8_t>(sum));
    EXPECT_EQ(reply[72], 0x03);

    // A fresh radio's tuning area is not blank, and differs from the memory at the other base.
    const auto area = radio.tuningArea();
    EXPECT_NE(area[0], area[1]);
    EXPECT_NE(radio.eeprom[0x1F00], radio.eeprom[0x3F00]);
}

TEST(RadioModelAnswers, EveryOtherCommandIsAcknowledged) {
    RadioModel radio;
    const std::array<std::uint8_t, 9> setup{1, 2, 3, 4, 5, 6, 7, 8, 9};
    const std::array<std::uint8_t, 10> region{};
    const std::string frames[] = {
        CommandFrame::enterTunerMode(),
        CommandFrame::txSetup(setup),
        CommandFrame::oneByte(Cmd::Modulation, 0x21),
        CommandFrame::oneByte(Cmd::PowerValue, 0x22),
        CommandFrame::oneByte(Cmd::SquelchValue, 0x23),
        CommandFrame::oneByte(Cmd::SubAudioOn, 0x24),
        CommandFrame::noData(Cmd::SubAudioOff),
        CommandFrame::noData(Cmd::ZelOn),
        CommandFrame::noData(Cmd::ZelOff),
        CommandFrame::oneByte(Cmd::ZelValue, 0x25),
        CommandFrame::noData(Cmd::ZelCheck),
        CommandFrame::cmxRegister(0x02, 0x26),
        CommandFrame::pttOn(),
        CommandFrame::pttOff(),
        CommandFrame::writeRegion(0x1F, 0x16, region),
        CommandFrame::leaveTunerMode(),
        CommandFrame::reset(),
    };
    for (const std::string& f : frames)
        EXPECT_EQ(answerTo(radio, f), kAck) << f;
    EXPECT_EQ(radio.received().size(), std::size(frames));
    EXPECT_EQ(radio.rejectedFrames(), 0);
}

TEST(RadioModelState, RegionWritesAreReadBack) {
    RadioModel radio;
    const std::array<std::uint8_t, 10> values{10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    EXPECT_EQ(answerTo(radio, CommandFrame::writeRegion(0x1F, 0x16, values)), kAck);
    EXPECT_EQ(radio.tuningArea()[0x16], 10);
    EXPECT_EQ(radio.tuningArea()[0x1F], 19);
    const Bytes block = answerTo(radio, CommandFrame::readBlock(0x1F00));
    ASSERT_EQ(block.size(), 73u);
    EXPECT_EQ(Bytes(block.begin() + 7 + 0x16, block.begin() + 7 + 0x20),
              Bytes(values.begin(), values.end()));

    // The 3F form lies beyond a 128-block radio's memory: refused, nothing written.
    const auto before = radio.eeprom;
    EXPECT_EQ(answerTo(radio, CommandFrame::writeRegion(0x3F, 0x16, values)), kNak);
    EXPECT_EQ(answerTo(radio, CommandFrame::readBlock(0x3F00)), kNak);
    EXPECT_EQ(radio.eeprom, before);

    radio.radioFlags = RadioModel::kFlag256Block;
    EXPECT_EQ(radio.tuningBase(), 0x3F00);
    EXPECT_EQ(answerTo(radio, CommandFrame::writeRegion(0x3F, 0xF0, values)), kAck);
    EXPECT_EQ(radio.tuningArea()[0xF0], 10);
    // A write running off the end of memory is refused as a whole.
    const auto full = radio.eeprom;
    EXPECT_EQ(answerTo(radio, CommandFrame::writeRegion(0x3F, 0xF8, values)), kNak);
    EXPECT_EQ(radio.eeprom, full);
}

TEST(RadioModelState, TunerModeEnterLeaveAndReset) {
    RadioModel radio;
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kAck);
    EXPECT_TRUE(radio.tunerMode);
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kNak);
    EXPECT_TRUE(radio.tunerMode);
    EXPECT_EQ(answerTo(radio, CommandFrame::pttOn()), kAck);
    EXPECT_TRUE(radio.pttOn);
    EXPECT_EQ(answerTo(radio, CommandFrame::leaveTunerMode()), kAck);
    EXPECT_FALSE(radio.tunerMode);
    EXPECT_FALSE(radio.pttOn);
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kAck);
    EXPECT_EQ(answerTo(radio, CommandFrame::reset()), kAck);
    EXPECT_FALSE(radio.tunerMode);
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kAck);
}

TEST(RadioModelState, SetupLiveValuesAndZel) {
    RadioModel radio;
    const std::array<std::uint8_t, 9> setup{0x31, 0x32, 0x33, 0xC1, 0x00, 0x60, 0x11, 0x87, 0x00};
    send(radio, CommandFrame::txSetup(setup));
    EXPECT_TRUE(radio.txSetupReceived);
    EXPECT_EQ(radio.lastTxSetup, setup);
    send(radio, CommandFrame::oneByte(Cmd::PowerValue, 0x40));
    send(radio, CommandFrame::oneByte(Cmd::Modulation, 0x41));
    send(radio, CommandFrame::oneByte(Cmd::SquelchValue, 0x42));
    send(radio, CommandFrame::oneByte(Cmd::SubAudioOn, 0x43));
    send(radio, CommandFrame::oneByte(Cmd::ZelValue, 0x44));
    send(radio, CommandFrame::cmxRegister(0x02, 0x45));
    EXPECT_EQ(radio.live.power, 0x40);
    EXPECT_EQ(radio.live.modulation, 0x41);
    EXPECT_EQ(radio.live.squelch, 0x42);
    EXPECT_EQ(radio.live.subAudio, 0x43);
    EXPECT_TRUE(radio.subAudioOn);
    EXPECT_EQ(radio.live.zel, 0x44);
    EXPECT_EQ(radio.live.cmxRegister, (std::array<std::uint8_t, 2>{0x02, 0x45}));

    // A value command with the wrong data count is refused and stores nothing.
    EXPECT_EQ(answerTo(radio, "0202 44 00 02 0102 4B03"), kNak);
    EXPECT_EQ(radio.live.power, 0x40);

    radio.zelSupported = false;
    EXPECT_EQ(answerTo(radio, CommandFrame::noData(Cmd::ZelCheck)), kNak);
    EXPECT_EQ(answerTo(radio, CommandFrame::noData(Cmd::ZelOn)), kNak);
    EXPECT_FALSE(radio.zelTxOn);
}

TEST(RadioModelParsing, FramesArriveInPiecesAndTogether) {
    RadioModel radio;
    // A 14-byte region write written as 8 bytes and then 6, as the program writes it.
    const std::array<std::uint8_t, 5> values{1, 2, 3, 4, 5};
    const Bytes frame = hexToBytes(CommandFrame::writeRegion(0x1F, 0x30, values));
    ASSERT_EQ(frame.size(), 14u);
    EXPECT_TRUE(radio.receive(std::span(frame).first(8), 0).empty());
    const auto replies = radio.receive(std::span(frame).subspan(8), 0);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].bytes, kAck);
    EXPECT_EQ(radio.received().back().bytes, frame);

    // Two frames in one write, with noise in front and between: two answers in order.
    const auto both =
        send(radio, "FF 00 " + CommandFrame::radioType() + " 55 " + CommandFrame::countryCode());
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].bytes[2], 0x79);
    EXPECT_EQ(both[1].bytes[2], 0x7F);
    EXPECT_EQ(radio.rejectedFrames(), 0);
}

TEST(RadioModelParsing, DamagedFramesGetNoAnswer) {
    RadioModel radio;
    EXPECT_TRUE(send(radio, "0202 40 4103").empty()); // checksum
    EXPECT_TRUE(send(radio, "0202 40 4204").empty()); // end byte
    EXPECT_EQ(radio.rejectedFrames(), 2);
    EXPECT_TRUE(radio.received().empty());
    EXPECT_FALSE(radio.tunerMode);

    // A frame broken off for longer than the radio waits between bytes is dropped; the next
    // frame is understood.
    send(radio, "0202 44 00", 0);
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode(), 500), kAck);
    EXPECT_EQ(radio.rejectedFrames(), 3);

    // A declared count far beyond any command is noise, not a reason to wait for 64 KiB.
    EXPECT_TRUE(send(radio, "0202 01 1F 00 FF FF").empty());
    EXPECT_EQ(answerTo(radio, CommandFrame::radioType()).size(), 8u);

    // An unknown command is refused.
    EXPECT_EQ(answerTo(radio, CommandFrame::noData(static_cast<Cmd>(0x60))), kNak);
}

TEST(RadioModelParsing, FramesAreRecordedWithTheirTime) {
    RadioModel radio;
    send(radio, CommandFrame::enterTunerMode(), 100);
    send(radio, CommandFrame::radioFlags(), 250);
    ASSERT_EQ(radio.received().size(), 2u);
    EXPECT_EQ(radio.received()[0].atMs, 100);
    EXPECT_EQ(radio.received()[1].atMs, 250);
    EXPECT_EQ(radio.receivedFrames()[1], hexToBytes("02 02 92 94 03"));
    radio.clearReceived();
    EXPECT_TRUE(radio.received().empty());

    // A radio left running keeps only its latest frames; the count goes on.
    for (int t = 0; t < 5000; ++t)
        send(radio, t == 4999 ? CommandFrame::radioType() : CommandFrame::radioFlags(), t);
    EXPECT_EQ(radio.received().size(), RadioModel::kKeptFrames);
    EXPECT_EQ(radio.receivedCount(), 5002u);
    EXPECT_EQ(radio.received().back().bytes, hexToBytes(CommandFrame::radioType()));
    EXPECT_EQ(radio.received().front().atMs, 5000 - 4096);
}

TEST(RadioModelFaults, SilentAndNakAllChangeNothing) {
    RadioModel radio;
    radio.faults.silent = true;
    EXPECT_TRUE(send(radio, CommandFrame::enterTunerMode()).empty());
    EXPECT_FALSE(radio.tunerMode);
    EXPECT_EQ(radio.received().size(), 1u);

    radio.faults = {};
    radio.faults.nakAll = true;
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kNak);
    EXPECT_EQ(answerTo(radio, CommandFrame::fwVersion()), kNak);
    const std::array<std::uint8_t, 1> v{0x77};
    EXPECT_EQ(answerTo(radio, CommandFrame::writeRegion(0x1F, 0, v)), kNak);
    EXPECT_FALSE(radio.tunerMode);
    EXPECT_NE(radio.eeprom[0x1F00], 0x77);
}

TEST(RadioModelFaults, DamagedAnswersStillTakeEffect) {
    RadioModel radio;
    radio.faults.wrongChecksum = true;
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), hexToBytes("02 10 06 E9 03"));
    EXPECT_TRUE(radio.tunerMode);

    radio.faults = {};
    radio.faults.hangUpMidReply = true;
    EXPECT_EQ(answerTo(radio, CommandFrame::pttOn()), hexToBytes("02 10"));
    EXPECT_TRUE(radio.pttOn);

    radio.faults = {};
    radio.faults.garbageBefore = true;
    radio.faults.splitGapMs = 40;
    const auto replies = send(radio, CommandFrame::pttOff());
    ASSERT_EQ(replies.size(), 1u);
    Bytes expected(kGarbage.begin(), kGarbage.end());
    expected.insert(expected.end(), kAck.begin(), kAck.end());
    EXPECT_EQ(replies[0].bytes, expected);
    EXPECT_EQ(replies[0].splitAt, kGarbage.size() + 2);
    EXPECT_EQ(replies[0].gapMs, 40);
}

TEST(RadioModelFaults, DropNthCountsFromWhenItIsSet) {
    RadioModel radio;
    send(radio, CommandFrame::radioType());
    radio.faults.dropNthReply = 2;
    EXPECT_FALSE(send(radio, CommandFrame::radioType()).empty());
    EXPECT_TRUE(send(radio, CommandFrame::enterTunerMode()).empty());
    EXPECT_TRUE(radio.tunerMode); // the command arrived, only its answer was lost
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(send(radio, CommandFrame::radioType()).empty());
    // Setting it again starts a new count.
    radio.faults.dropNthReply = 1;
    EXPECT_TRUE(send(radio, CommandFrame::radioType()).empty());
    EXPECT_FALSE(send(radio, CommandFrame::radioType()).empty());
}

TEST(RadioModelFaults, ScriptedAnswersAreUsedUpInOrder) {
    RadioModel radio;
    radio.scriptAnswers(Cmd::EnterTunerMode,
                        {Answer::Nak, Answer::Silent, Answer::WrongChecksum, Answer::Ack});
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kNak);
    EXPECT_FALSE(radio.tunerMode);
    EXPECT_TRUE(send(radio, CommandFrame::enterTunerMode()).empty());
    EXPECT_TRUE(radio.tunerMode);
    // Already in tuner mode: the normal answer is NAK, here damaged on the way.
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), hexToBytes("02 10 15 DA 03"));
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kAck);
    EXPECT_EQ(answerTo(radio, CommandFrame::enterTunerMode()), kNak);
    // Other commands are not affected by another command's script.
    radio.scriptAnswers(Cmd::RadioType, {Answer::Ack});
    EXPECT_EQ(answerTo(radio, CommandFrame::fwVersion()).size(), 12u);
    EXPECT_EQ(answerTo(radio, CommandFrame::radioType()), kAck);
    EXPECT_EQ(answerTo(radio, CommandFrame::radioType()).size(), 8u);
}

} // namespace
} // namespace korvelo::sim
