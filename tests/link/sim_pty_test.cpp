// Every command of the catalogue through OpenPort and SendHex to the simulated radio on a
// pseudo-terminal, at the real line rate, with the port opened and closed per exchange as the
// program does. Each reply must land whole in the reply objects.
#include "link/command_frame.h"
#include "link/radio_link.h"
#include "sim/pty_radio.h"

#include <gtest/gtest.h>

#include <array>

namespace korvelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Exchange {
    std::string hex;
    std::uint8_t status; // expected replyStatus
    Bytes data;          // expected start of replyData (data replies)
};

class SimPtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        radio.withModel([](sim::RadioModel& m) {
            m.faults.pace = true; // answers leave at 19,200 bit/s, byte by byte
            m.radioType = 5;
            m.countryCode = 3;
            m.radioFlags = sim::RadioModel::kFlag256Block;
        });
        std::string error;
        ASSERT_TRUE(radio.start(&error)) << error;
        ports = std::make_unique<FixedPortProvider>(radio.devicePath());
    }
    void TearDown() override { radio.stop(); }

    // One operation as the program runs it: open, send, pause, wait, close.
    void run(const Exchange& e) {
        RadioLink link(LinkEnv{replies, clock, notifier, *ports, portFault});
        link.OpenPort();
        ASSERT_TRUE(link.isOpen()) << e.hex;
        // No pause: the wait must not end before the whole reply is in, however the line
        // delivers it.
        ASSERT_TRUE(link.sendAndWait(e.hex, 0, 3000)) << e.hex;
        EXPECT_EQ(link.replyStatus(), e.status) << e.hex;
        for (std::size_t i = 0; i < e.data.size(); ++i)
            ASSERT_EQ(link.replyData(i), e.data[i]) << e.hex << " at " << i;
        link.close();
    }

    sim::PtyRadio radio;
    ReplyObjects replies;
    RealClock clock;
    RecordingNotifier notifier;
    std::unique_ptr<FixedPortProvider> ports;
    bool portFault = false;
};

Bytes info(const Bytes& payload) {
    Bytes out{0x00, static_cast<std::uint8_t>(payload.size())};
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

TEST_F(SimPtyTest, EveryCatalogueCommandGetsItsReply) {
    const auto [fw, serial, area] = radio.withModel([](sim::RadioModel& m) {
        const auto t = m.tuningArea();
        return std::tuple{Bytes(m.fwVersion.begin(), m.fwVersion.end()),
                          Bytes(m.serialNumber.begin(), m.serialNumber.end()),
                          Bytes(t.begin(), t.end())};
    });
    Bytes block{0x3F, 0x40, 0x00, 0x40};
    block.insert(block.end(), area.begin() + 0x40, area.begin() + 0x80);
    const std::array<std::uint8_t, 9> setup{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    const Bytes region{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9};

    const std::vector<Exchange> exchanges = {
        {CommandFrame::enterTunerMode(), kStatusAck, {}},
        {CommandFrame::enterTunerMode(), kStatusNak, {}}, // already in tuner mode
        {CommandFrame::radioFlags(), kStatusData, info({sim::RadioModel::kFlag256Block})},
        {CommandFrame::radioType(), kStatusData, info({5})},
        {CommandFrame::readBlock(0x3F40), kStatusData, block},
        {CommandFrame::fwVersion(), kStatusData, info(fw)},
        {CommandFrame::serialNumber(), kStatusData, info(serial)},
        {CommandFrame::countryCode(), kStatusData, info({3})},
        {CommandFrame::txSetup(setup), kStatusAck, {}},
        {CommandFrame::oneByte(Cmd::Modulation, 0x21), kStatusAck, {}},
        {CommandFrame::oneByte(Cmd::PowerValue, 0x22), kStatusAck, {}},
        {CommandFrame::oneByte(Cmd::SquelchValue, 0x23), kStatusAck, {}},
        {CommandFrame::oneByte(Cmd::SubAudioOn, 0x24), kStatusAck, {}},
        {CommandFrame::noData(Cmd::SubAudioOff), kStatusAck, {}},
        {CommandFrame::noData(Cmd::ZelOn), kStatusAck, {}},
        {CommandFrame::oneByte(Cmd::ZelValue, 0x25), kStatusAck, {}},
        {CommandFrame::noData(Cmd::ZelOff), kStatusAck, {}},
        {CommandFrame::noData(Cmd::ZelCheck), kStatusAck, {}},
        {CommandFrame::cmxRegister(0x12, 0x34), kStatusAck, {}},
        {CommandFrame::pttOn(), kStatusAck, {}},
        {CommandFrame::pttOff(), kStatusAck, {}},
        {CommandFrame::writeRegion(0x3F, 0x16, region), kStatusAck, {}},
        {CommandFrame::readBlock(0x3F00), kStatusData, {0x3F, 0x00, 0x00, 0x40}},
        {CommandFrame::leaveTunerMode(), kStatusAck, {}},
        {CommandFrame::reset(), kStatusAck, {}},
    };
    for (const Exchange& e : exchanges)
        run(e);
    EXPECT_TRUE(notifier.notices.empty());
    EXPECT_FALSE(portFault);

    // The region written is what the last block read brought back.
    for (std::size_t i = 0; i < region.size(); ++i)
        EXPECT_EQ(replies.replyData[4 + 0x16 + i], region[i]) << i;
    radio.withModel([&](sim::RadioModel& m) {
        EXPECT_EQ(m.receivedFrames().size(), exchanges.size());
        EXPECT_EQ(m.lastTxSetup, setup);
        EXPECT_EQ(m.live.power, std::optional<std::uint8_t>(0x22));
        EXPECT_FALSE(m.tunerMode);
    });
}

} // namespace
} // namespace korvelo
