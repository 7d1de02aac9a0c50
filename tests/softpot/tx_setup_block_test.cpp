// Transmit frequency encoding and the decimal texts the pages read.
#include "radio/band_model.h"
#include "softpot/engine/decimal_text.h"
#include "softpot/engine/tx_setup_block.h"

#include <gtest/gtest.h>

namespace korvelo {
namespace {

std::array<std::uint8_t, 4> txBytes(const std::array<std::uint8_t, 9>& b) {
    return {b[4], b[5], b[6], b[7]};
}

TEST(EncodeTxFrequency, PointsOnEachRaster) {
    std::array<std::uint8_t, 9> bytes{};
    TxSetupBlock block(bytes);

    ASSERT_TRUE(encodeTxFrequency(block, frequencyTextToHz("136.000")));
    EXPECT_EQ(txBytes(bytes), (std::array<std::uint8_t, 4>{0xAA, 0x00, 0x00, 0x11}));

    ASSERT_TRUE(encodeTxFrequency(block, frequencyTextToHz("403.525")));
    EXPECT_EQ(txBytes(bytes), (std::array<std::uint8_t, 4>{0xF8, 0x01, 0x34, 0x11}));

    // 150.005 MHz lies on the 5 kHz raster only: 30,001 steps, N = 234, A = 49.
    ASSERT_TRUE(encodeTxFrequency(block, frequencyTextToHz("150.005")));
    EXPECT_EQ(txBytes(bytes), (std::array<std::uint8_t, 4>{0xEA, 0x00, 0x31, 0x01}));

    // On neither raster: nothing changes.
    EXPECT_FALSE(encodeTxFrequency(block, frequencyTextToHz("150.001")));
    EXPECT_EQ(txBytes(bytes), (std::array<std::uint8_t, 4>{0xEA, 0x00, 0x31, 0x01}));

    // Texts that are no number give 0 Hz, which encodes as N = 0, A = 0.
    ASSERT_TRUE(encodeTxFrequency(block, frequencyTextToHz("UNSUPPORTED")));
    EXPECT_EQ(txBytes(bytes), (std::array<std::uint8_t, 4>{0x00, 0x00, 0x00, 0x11}));
    EXPECT_EQ(bytes[0], 0) << "only bytes 4..7 belong to the transmit encoding";
}

// Every numeric label a transmit page shows must land on a raster; a label whose product with
// 1,000,000 falls a hair short of the whole Hz would otherwise be sent with stale bytes.
TEST(EncodeTxFrequency, EveryBandLabelLandsOnARaster) {
    const BandGroup groups[] = {BandGroup::V1, BandGroup::V2, BandGroup::U1,
                                BandGroup::U2, BandGroup::U3, BandGroup::U4};
    const LabelFamily families[] = {LabelFamily::TxPower, LabelFamily::TxModulation,
                                    LabelFamily::TxSubAudio, LabelFamily::ZelSignalling};
    for (LabelFamily f : families)
        for (BandGroup g : groups)
            for (std::string_view label : frequencyLabels(f, g)) {
                std::array<std::uint8_t, 9> bytes{};
                TxSetupBlock block(bytes);
                EXPECT_TRUE(encodeTxFrequency(block, frequencyTextToHz(label))) << label;
            }
}

TEST(DecimalText, ReadsTheLeadingNumberAndFormatsEitherScale) {
    EXPECT_EQ(decimalTextToLong(" 7"), 7);
    EXPECT_EQ(decimalTextToLong("12abc"), 12);
    EXPECT_EQ(decimalTextToLong("-5"), -5);
    EXPECT_EQ(decimalTextToLong(""), 0);
    EXPECT_EQ(decimalTextToLong("99999999999999999999"), decimalTextToLong("999999999"))
        << "no overflow";
    EXPECT_DOUBLE_EQ(decimalTextToDouble("440.000000"), 440.0);
    EXPECT_DOUBLE_EQ(decimalTextToDouble("abc"), 0.0);

    const ValueScale power{63, 0, 1.0};
    EXPECT_EQ(power.format(7), "7");
    EXPECT_EQ(power.clamp(-3), 0);
    EXPECT_EQ(power.clamp(70), 63);
    const ValueScale deviation{79, 2, 0.05};
    EXPECT_EQ(deviation.format(21), "1.05");
    EXPECT_EQ(deviation.parse("1.05"), 21);
    EXPECT_EQ(deviation.format(79), "3.95");
}

} // namespace
} // namespace korvelo
