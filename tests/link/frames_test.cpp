// Hex text, SendHex and the command frames of the catalogue.
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "recording_port.h"

#include <gtest/gtest.h>

#include <array>

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(HexText, DigitValues) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('A'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_EQ(hexDigitValue('a'), 10);
    EXPECT_EQ(hexDigitValue('f'), 15);
    for (char c : {'G', 'g', 'x', ' ', '/', ':', '@', '`', '\0', '\xFF'})
        EXPECT_EQ(hexDigitValue(c), 0) << int(c);
}

TEST(HexText, BlanksAndLineBreaksGoOddDigitsAndStrangeCharactersConvert) {
    EXPECT_EQ(hexToBytes("0202 40 4203"), (Bytes{0x02, 0x02, 0x40, 0x42, 0x03}));
    EXPECT_EQ(hexToBytes("02\r\n02 4a\r\n"), (Bytes{0x02, 0x02, 0x4A}));
    EXPECT_EQ(hexToBytes("ab CD eF"), (Bytes{0xAB, 0xCD, 0xEF}));
    // The pair "0x" reads as 0x00; a lone final digit A is the byte 0x0A.
    EXPECT_EQ(hexToBytes("0x12A"), (Bytes{0x00, 0x12, 0x0A}));
    // A line feed without its carriage return is not removed and reads as 0.
    EXPECT_EQ(hexToBytes("1\n"), (Bytes{0x10}));
    EXPECT_TRUE(hexToBytes("  \r\n").empty());
}

// SendHex through a link whose port records each write.
class SendHexTest : public ::testing::Test, protected testing::RecordingLinkBench {
  protected:
    SendHexTest() { line.openResult = {true, false, ""}; }
    void openLink() { link.OpenPort(); }
};

TEST_F(SendHexTest, WritesInPiecesOfEightThenTheRest) {
    openLink();
    link.SendHex("0202 40 4203");
    ASSERT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(line.writes[0], (Bytes{0x02, 0x02, 0x40, 0x42, 0x03}));

    line.writes.clear();
    link.SendHex(CommandFrame::readBlock(0x1F00));
    ASSERT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(line.writes[0], (Bytes{0x02, 0x02, 0x02, 0x1F, 0x00, 0x00, 0x40, 0x63}));
    EXPECT_EQ(line.writes[1], (Bytes{0x03}));

    line.writes.clear();
    const std::array<std::uint8_t, 5> data{1, 2, 3, 4, 5};
    link.SendHex(CommandFrame::writeRegion(0x3F, 0x16, data)); // 14 bytes
    ASSERT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(line.writes[0].size(), 8u);
    EXPECT_EQ(line.writes[1].size(), 6u);

    // Exactly two pieces of eight: no empty third write.
    line.writes.clear();
    link.SendHex("00112233445566778899AABBCCDDEEFF");
    ASSERT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(line.writes[1], (Bytes{0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}));

    line.writes.clear();
    link.SendHex("");
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(SendHexTest, NothingIsWrittenWhileThePortIsClosed) {
    link.SendHex("0202 40 4203"); // never opened
    line.openResult = {false, true, "busy"};
    openLink();
    link.SendHex("0202 40 4203");
    EXPECT_TRUE(line.writes.empty());
}

TEST_F(SendHexTest, OpenUsesTheLineSettingsOfTheRadio) {
    openLink();
    ASSERT_TRUE(link.isOpen());
    EXPECT_EQ(line.lastSettings.portName, "/dev/test0");
    EXPECT_EQ(line.lastSettings.baudRate, 19200u);
    EXPECT_EQ(line.lastSettings.dataBits, 8);
    EXPECT_EQ(line.lastSettings.stopBits, 2);
    EXPECT_EQ(line.lastSettings.parity, 0);
}

// Every frame: 02 02 code ... checksum 03 with the checksum over the marker through the last
// data byte.
void expectWellFormed(const std::string& text) {
    const Bytes f = hexToBytes(text);
    ASSERT_GE(f.size(), 5u) << text;
    EXPECT_EQ(f[0], 0x02) << text;
    EXPECT_EQ(f[1], 0x02) << text;
    EXPECT_EQ(f.back(), 0x03) << text;
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i + 2 < f.size(); ++i)
        sum = static_cast<std::uint8_t>(sum + f[i]);
    EXPECT_EQ(f[f.size() - 2], sum) << text;
}

TEST(CommandFrames, CommandsWithoutDataHaveTheCatalogueTexts) {
    const std::pair<std::string, std::string> expected[] = {
        {CommandFrame::enterTunerMode(), "0202 40 4203"},
        {CommandFrame::leaveTunerMode(), "0202 41 4303"},
        {CommandFrame::noData(Cmd::SubAudioOff), "0202 49 4B03"},
        {CommandFrame::noData(Cmd::ZelOn), "0202 4A 4C03"},
        {CommandFrame::noData(Cmd::ZelOff), "0202 4B 4D03"},
        {CommandFrame::noData(Cmd::ZelCheck), "0202 4D 4F03"},
        {CommandFrame::fwVersion(), "0202 70 7203"},
        {CommandFrame::reset(), "0202 72 7403"},
        {CommandFrame::serialNumber(), "0202 76 7803"},
        {CommandFrame::radioType(), "0202 78 7A03"},
        {CommandFrame::countryCode(), "0202 7E 8003"},
        {CommandFrame::pttOn(), "0202 81 8303"},
        {CommandFrame::pttOff(), "0202 82 8403"},
        {CommandFrame::radioFlags(), "0202 92 9403"},
    };
    for (const auto& [built, text] : expected) {
        EXPECT_EQ(hexToBytes(built), hexToBytes(text)) << text;
        expectWellFormed(built);
    }
}

TEST(CommandFrames, OneAndTwoByteValuesCarryTheirChecksumConstants) {
    const std::pair<Cmd, unsigned> constants[] = {{Cmd::Modulation, 0x46},
                                                  {Cmd::PowerValue, 0x47},
                                                  {Cmd::SquelchValue, 0x48},
                                                  {Cmd::SubAudioOn, 0x4B},
                                                  {Cmd::ZelValue, 0x4F}};
    for (const auto& [code, base] : constants)
        for (unsigned v : {0x00u, 0x3Cu, 0xC0u, 0xFFu}) {
            const Bytes f = hexToBytes(CommandFrame::oneByte(code, static_cast<std::uint8_t>(v)));
            const Bytes want{0x02,
                             0x02,
                             static_cast<std::uint8_t>(code),
                             0x00,
                             0x01,
                             static_cast<std::uint8_t>(v),
                             static_cast<std::uint8_t>(base + v),
                             0x03};
            EXPECT_EQ(f, want) << std::hex << unsigned(code) << " " << v;
        }
    EXPECT_EQ(hexToBytes(CommandFrame::cmxRegister(0x12, 0x80)),
              (Bytes{0x02, 0x02, 0xB3, 0x00, 0x02, 0x12, 0x80, 0xB7 + 0x12 + 0x80 - 0x100, 0x03}));
    EXPECT_EQ(hexToBytes(CommandFrame::oneByte(Cmd::Modulation, 0x10)).size(), 8u);
}

TEST(CommandFrames, SetUpReadAndWriteFrames) {
    const std::array<std::uint8_t, 9> setup{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90};
    const Bytes s = hexToBytes(CommandFrame::txSetup(setup));
    ASSERT_EQ(s.size(), 16u);
    EXPECT_EQ(Bytes(s.begin(), s.begin() + 5), (Bytes{0x02, 0x02, 0x42, 0x00, 0x09}));
    EXPECT_EQ(s[14], static_cast<std::uint8_t>(0x4D + 0x2D0)); // 0x4D + the sum of the 9
    expectWellFormed(CommandFrame::txSetup(setup));

    EXPECT_EQ(hexToBytes(CommandFrame::readBlock(0x1F00)),
              (Bytes{0x02, 0x02, 0x02, 0x1F, 0x00, 0x00, 0x40, 0x63, 0x03}));
    EXPECT_EQ(hexToBytes(CommandFrame::readBlock(0x3FC0)),
              (Bytes{0x02, 0x02, 0x02, 0x3F, 0xC0, 0x00, 0x40, 0x43, 0x03}));

    std::array<std::uint8_t, 10> region{};
    region.fill(0x11); // sum 0xAA
    const Bytes w3 = hexToBytes(CommandFrame::writeRegion(0x3F, 0x16, region));
    EXPECT_EQ(Bytes(w3.begin(), w3.begin() + 7), (Bytes{0x02, 0x02, 0x01, 0x3F, 0x16, 0x00, 0x0A}));
    EXPECT_EQ(w3[17], static_cast<std::uint8_t>(0x62 + 0xAA));
    const Bytes w1 = hexToBytes(CommandFrame::writeRegion(0x1F, 0x16, region));
    EXPECT_EQ(w1[17], static_cast<std::uint8_t>(0x42 + 0xAA));
    EXPECT_EQ(w1.size(), 19u);
    EXPECT_EQ(w1.back(), 0x03);
}

} // namespace
} // namespace korvelo
