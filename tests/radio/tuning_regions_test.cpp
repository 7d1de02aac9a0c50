// The region table and the write-region frames the pages send.
#include "link/command_frame.h"
#include "radio/tuning_regions.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>

namespace korvelo {
namespace {

std::vector<std::uint8_t> frameBytes(const TuningImage& image, const Region& r, bool is256) {
    return hexToBytes(writeRegionFrame(image, r, is256));
}

TEST(TuningRegions, PowerRegionFrameInBothMemorySizes) {
    TuningImage image;
    for (unsigned i = 0; i < 10; ++i)
        image[0x16 + i] = static_cast<std::uint8_t>(30 + i);
    const unsigned sum = 30 * 10 + 45;
    const std::vector<std::uint8_t> data{30, 31, 32, 33, 34, 35, 36, 37, 38, 39};
    for (bool is256 : {true, false}) {
        std::vector<std::uint8_t> expected{
            0x02, 0x02, 0x01, is256 ? std::uint8_t{0x3F} : std::uint8_t{0x1F}, 0x16, 0x00, 0x0A};
        expected.insert(expected.end(), data.begin(), data.end());
        expected.push_back(static_cast<std::uint8_t>((is256 ? 0x62 : 0x42) + sum));
        expected.push_back(0x03);
        EXPECT_EQ(frameBytes(image, kRegionTxPower, is256), expected) << "is256 " << is256;
    }
}

// The checksum constants the pages document for an all-zero region pin each region's offset
// and count (a wrong count or offset changes the constant).
TEST(TuningRegions, ChecksumConstantsOfEveryRegion) {
    struct Case {
        Region region;
        std::uint8_t with1F, with3F;
    };
    const Case cases[] = {
        {kRegionTxModulationAk, 0x38, 0x58},   {kRegionTxPower, 0x42, 0x62},
        {kRegionRxSquelch, 0x60, 0x80},        {kRegionZel, 0x63, 0x83},
        {kRegionTxMode, 0x67, 0x87},           {kRegionTxModeExtra, 0x69, 0x89},
        {kRegionSquelchPointMask, 0x75, 0x95}, {kRegionCmxTxSetup, 0xD0, 0xF0},
        {kRegionTxModulationCmx, 0xB4, 0xD4},  {kRegionSubAudioF1, 0xC3, 0xE3},
        {kRegionCmxRxSetup, 0xF0, 0x10},       {kRegionSubAudioF2F5, 0x21, 0x41},
    };
    const TuningImage zero;
    for (const Case& c : cases) {
        for (bool is256 : {false, true}) {
            const auto bytes = frameBytes(zero, c.region, is256);
            ASSERT_EQ(bytes.size(), 7u + c.region.count + 2);
            EXPECT_EQ(bytes[bytes.size() - 2], is256 ? c.with3F : c.with1F)
                << "region 0x" << std::hex << unsigned{c.region.offset};
        }
    }
}

TEST(TuningRegions, BytesNoPageWritesAreTheDocumentedOnes) {
    std::set<unsigned> owned;
    for (const Region& r : kRegions) {
        ASSERT_LE(r.end(), TuningImage::kSize);
        for (unsigned i = r.offset; i < r.end(); ++i)
            owned.insert(i);
    }
    std::set<unsigned> expectedFree{0x00, 0x01, 0x45, 0xFF};
    for (unsigned i = 0x47; i <= 0x51; ++i)
        expectedFree.insert(i);
    for (unsigned i = 0x53; i <= 0x70; ++i)
        expectedFree.insert(i);
    for (unsigned i = 0xAE; i <= 0xBF; ++i)
        expectedFree.insert(i);
    for (unsigned i = 0xCE; i <= 0xEC; ++i)
        expectedFree.insert(i);
    std::set<unsigned> free;
    for (unsigned i = 0; i < TuningImage::kSize; ++i)
        if (!owned.count(i))
            free.insert(i);
    EXPECT_EQ(free, expectedFree);
}

// Every softpot byte a page names lies in the region that page programs, and no two softpots
// of a page share a byte.
TEST(TuningRegions, NamedSoftpotBytesLieInTheirRegions) {
    auto check = [](const Region& region, const std::vector<std::uint8_t>& bytes) {
        std::set<std::uint8_t> seen;
        for (std::uint8_t b : bytes) {
            EXPECT_TRUE(region.contains(b)) << std::hex << unsigned{b};
            EXPECT_TRUE(seen.insert(b).second) << "twice: " << std::hex << unsigned{b};
        }
    };
    std::vector<std::uint8_t> power, ak, cmx, squelch, sub;
    for (int p = 1; p <= 5; ++p) {
        power.push_back(img::txPowerHigh(p));
        power.push_back(img::txPowerLow(p));
        for (int s = 0; s < 3; ++s) {
            ak.push_back(img::akModulation(s, p));
            cmx.push_back(img::cmxModulation(s, p));
            squelch.push_back(img::squelch(s, p, false));
            squelch.push_back(img::squelch(s, p, true));
        }
    }
    for (int s = 0; s < 3; ++s)
        for (int g = 0; g < 3; ++g)
            for (int band = 0; band < 3; ++band)
                sub.push_back(img::subAudio(s, g, band));
    check(kRegionTxPower, power);
    check(kRegionTxModulationAk, ak);
    check(kRegionTxModulationCmx, cmx);
    check(kRegionRxSquelch, squelch);
    EXPECT_EQ(power.size(), kRegionTxPower.count);
    EXPECT_EQ(cmx.size(), kRegionTxModulationCmx.count);
    EXPECT_EQ(squelch.size(), kRegionRxSquelch.count);
    std::set<std::uint8_t> subSet(sub.begin(), sub.end());
    EXPECT_EQ(subSet.size(), 27u);
    for (std::uint8_t b : sub)
        EXPECT_TRUE(kRegionSubAudioF1.contains(b) || kRegionSubAudioF2F5.contains(b));
    // Spot checks against the page tables.
    EXPECT_EQ(img::txPowerLow(5), 0x1F);
    EXPECT_EQ(img::akModulation(2, 5), 0x14);
    EXPECT_EQ(img::squelch(1, 1, false), 0x2A);
    EXPECT_EQ(img::squelch(2, 5, true), 0x3D);
    EXPECT_EQ(img::subAudio(1, 1, 0), 0x9C);
    EXPECT_EQ(img::subAudio(0, 2, 1), 0xF3);
    EXPECT_EQ(img::subAudio(2, 2, 2), 0xFE);
}

} // namespace
} // namespace korvelo
