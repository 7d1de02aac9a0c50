// The catalogue of the tuning area: built from the pages' tables, every image bit claimed by
// one value at most, every byte a page writes accounted for, values decoded by name.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace korvelo {
namespace {

TEST(Catalogue, NoBitIsClaimedTwiceAndNoWrittenByteIsLeftOut) {
    const auto& entries = tuningCatalogue();
    ASSERT_FALSE(entries.empty());
    Session s;
    std::array<std::uint8_t, TuningImage::kSize> claimed{};
    std::array<std::string, TuningImage::kSize> owner;
    std::array<bool, TuningImage::kSize> covered{};
    for (const CatalogueEntry& e : entries) {
        ASSERT_FALSE(e.bytes.empty()) << e.name(s);
        for (const ByteClaim& c : e.bytes) {
            covered[c.byte] = true;
            if (e.held)
                continue;
            EXPECT_EQ(claimed[c.byte] & c.mask, 0) << "byte 0x" << std::hex << unsigned{c.byte}
                                                   << ": " << e.name(s) << " and " << owner[c.byte];
            claimed[c.byte] |= c.mask;
            owner[c.byte] = e.name(s);
        }
        for (const ByteClaim& c : e.bytes) {
            if (e.write) {
                EXPECT_TRUE(e.write->contains(c.byte)) << e.name(s);
            }
        }
    }
    const std::vector<Region> written = writtenRegions();
    EXPECT_GE(written.size(), 5u); // power, the two TX mode writes, both CMX148 setups
    for (const Region& r : written)
        for (unsigned i = r.offset; i < r.end(); ++i)
            EXPECT_TRUE(covered[i]) << "byte 0x" << std::hex << i << " of the "
                                    << ownerName(r.owner) << " write has no entry";
}

TEST(Catalogue, DescribesTheSettingsOfTheRadiosChipByName) {
    Session s;
    s.flags.isAk2347Radio = false;
    s.radioType = 0;
    s.image[0x16] = 40;
    s.image[0x71] = 7;
    s.image[0xA4] = 0xD3;
    s.image[0xA9] = 0x12;
    s.image[0xAA] = 0xC5;
    s.image[0xC2] = 16; // outside its list
    s.image[0xCB] = 50;
    s.image[0x2B] = 40;   // 25 kHz Tight Squelch, point 1
    s.image[0x89] = 21;   // CMX148 deviation, 25 kHz point 2
    s.image[0x52] = 0x0C; // squelch points 1 and 2 absent
    const std::vector<std::string> lines = describeSettings(s);
    auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("Transmit Power (writes 0x16..0x1F)"));
    EXPECT_TRUE(has("  High Power, point 1 (136.00000 MHz): 40"));
    EXPECT_TRUE(has("TX CMX148 SetUp (writes 0x71..0xAD)"));
    EXPECT_TRUE(has("  CMX148 [$B0] : MOD1 Output Attenuation (dB), 12.5KHz, CSQ: 0dB"));
    EXPECT_TRUE(has("  CMX148 [$C2, $C8] : TX Filter Setting, 12.5KHz, LPF: 2.55KHz"));
    EXPECT_TRUE(has("  Program Block 4 - Limiter Setting (HEX): 0512"));
    EXPECT_TRUE(has("  CMX148 Setting, Audio Output Att (dB) - [$B0]: value 16 (not in the list)"));
    EXPECT_TRUE(has("  CMX148 [$CD] : Output 1 Fine Gain (dB), 12.5KHz: 2.50"));
    EXPECT_TRUE(has("Receive Squelch, 25KHz (writes 0x20..0x3D)"));
    EXPECT_TRUE(has("  Tight Squelch, point 1 (136.00000 MHz): 40"));
    EXPECT_TRUE(has("Transmit Modulation, 25KHz (writes 0x83..0x91)"));
    EXPECT_TRUE(has("  25KHz, point 2 (150.00000 MHz): 1.05"));
    EXPECT_TRUE(has("Receive Squelch (writes 0x52)"));
    EXPECT_TRUE(has("  Frequency-point mask: 0x0C (points 3, 4, 5 have their own values)"));
    EXPECT_FALSE(has("TX Mode (writes 0x40..0x44, 0x46)")) << "an AK2347 page";

    s.flags.isAk2347Radio = true;
    s.image[0x62] = 0xAF;
    const std::vector<std::string> ak = describeSettings(s);
    EXPECT_NE(std::find(ak.begin(), ak.end(), "TX Mode (writes 0x40..0x44, 0x46)"), ak.end());
    EXPECT_NE(std::find(ak.begin(), ak.end(),
                        "  Volume Register 1, VR1 gain (dB): 4.5  (kept in the image; no write "
                        "sends it)"),
              ak.end());
    EXPECT_NE(std::find(ak.begin(), ak.end(), "Transmit Modulation, 12.5KHz (writes 0x02..0x15)"),
              ak.end());
    EXPECT_EQ(std::count_if(ak.begin(), ak.end(),
                            [](const std::string& l) { return l.find("CMX148") != l.npos; }),
              0);
}

} // namespace
} // namespace korvelo
