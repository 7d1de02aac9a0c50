#include "softpot/txpower/tx_power_page.h"

#include "softpot/engine/softpot_link.h"
#include "softpot/softpot_pages.h"

namespace korvelo {

namespace {

constexpr std::string_view kHigh = "High Power";
constexpr std::string_view kLow = "Low Power";
constexpr int kHighTag = 1;
constexpr int kLowTag = 2;

// Modulation softpots of a point at 12.5 kHz, which the row setup sends along: by chip.
constexpr std::uint8_t kAkModulationByte = 0x02;  // + 4 per point
constexpr std::uint8_t kCmxModulationByte = 0x83; // + 1 per point
constexpr std::uint8_t kCmxModulationRegister = 0x02;

PageSpec makeTxPowerPage() {
    PageSpec p;
    p.title = "Transmit Power";
    // group, point, ids {frequency, default, scroll bar, working, spin}, image byte, tag, byte 8
    p.rows = {
        {kHigh, 1, {1083, 1021, 1032, 1035, 1016}, 0x16, kHighTag, 0x87, 32, {}},
        {kHigh, 2, {1090, 1049, 1047, 1100, 1020}, 0x18, kHighTag, 0x87, 32, {}},
        {kHigh, 3, {1084, 1022, 1033, 1036, 1017}, 0x1A, kHighTag, 0x85, 32, {}},
        {kHigh, 4, {1089, 1031, 1045, 1046, 1111}, 0x1C, kHighTag, 0x85, 32, {}},
        {kHigh, 5, {1085, 1023, 1034, 1037, 1019}, 0x1E, kHighTag, 0x82, 32, {}},
        {kLow, 1, {1086, 1024, 1038, 1042, 1027}, 0x17, kLowTag, 0x07, 32, {}},
        {kLow, 2, {1092, 1057, 1053, 1054, 1055}, 0x19, kLowTag, 0x07, 32, {}},
        {kLow, 3, {1087, 1025, 1039, 1043, 1028}, 0x1B, kLowTag, 0x05, 32, {}},
        {kLow, 4, {1091, 1056, 1050, 1051, 1052}, 0x1D, kLowTag, 0x05, 32, {}},
        {kLow, 5, {1088, 1026, 1041, 1044, 1029}, 0x1F, kLowTag, 0x02, 32, {}},
    };
    p.scale = ValueScale{63, 0, 1.0};
    p.initialText = "32";
    p.labels = LabelFamily::TxPower;
    p.type1 = Type1::NoGroup;
    p.identity = RowIdentity::FrequencyAndTag;

    // Receive settings by point; the radio is driven with these exact words.
    constexpr std::optional<SettingWord> same = std::nullopt;
    p.receiveSettings = {
        {{0},
         {{SettingWord{0xE2, 0x00, 0x30}, SettingWord{0xF3, 0x00, 0x70},
           SettingWord{0xFA, 0x00, 0x10}, SettingWord{0x04, 0x01, 0x10},
           SettingWord{0x11, 0x01, 0x70}}}},
        {{1},
         {{SettingWord{0x46, 0x01, 0x34}, SettingWord{0x4A, 0x01, 0x14},
           SettingWord{0x4F, 0x01, 0x0C}, same, same}}},
        {{2},
         {{SettingWord{0x46, 0x01, 0x34}, SettingWord{0x4A, 0x01, 0x14},
           SettingWord{0x4F, 0x01, 0x0C}, SettingWord{0x6A, 0x01, 0x50},
           SettingWord{0x6D, 0x01, 0x10}}}},
        {{3, 4, 9},
         {{SettingWord{0x7D, 0x01, 0x14}, SettingWord{0x89, 0x01, 0x54},
           SettingWord{0x96, 0x01, 0x14}, SettingWord{0xA2, 0x01, 0x54},
           SettingWord{0xAF, 0x01, 0x0C}}}},
        {{5},
         {{SettingWord{0xC0, 0x01, 0x24}, SettingWord{0xCD, 0x01, 0x24},
           SettingWord{0xDC, 0x01, 0x64}, SettingWord{0xE9, 0x01, 0x24},
           SettingWord{0xF4, 0x01, 0x44}}}},
        {{11},
         {{SettingWord{0xC0, 0x01, 0x24}, SettingWord{0xCD, 0x01, 0x24},
           SettingWord{0xDC, 0x01, 0x64}, SettingWord{0xE9, 0x01, 0x24}, same}}},
        {{6, 12},
         {{SettingWord{0xED, 0x01, 0x50}, SettingWord{0xFA, 0x01, 0x10},
           SettingWord{0x06, 0x02, 0x50}, SettingWord{0x13, 0x02, 0x10},
           SettingWord{0x1E, 0x02, 0x30}}}},
        {{7, 8, 10},
         {{SettingWord{0x15, 0x02, 0x04}, SettingWord{0x22, 0x02, 0x64},
           SettingWord{0x2C, 0x02, 0x64}, SettingWord{0x38, 0x02, 0x04},
           SettingWord{0x47, 0x02, 0x04}}}},
    };
    // The band's first transmit point, preset when the page opens.
    p.openingPreset.raster = BlockPreset::Raster::Always;
    p.openingPreset.transmit = {
        {{0}, SettingWord{0xAA, 0x00, 0x00}},       {{2}, SettingWord{0x32, 0x01, 0x20}},
        {{3, 4, 9}, SettingWord{0xB5, 0x01, 0x44}}, {{5, 11}, SettingWord{0xF8, 0x01, 0x34}},
        {{6, 12}, SettingWord{0x26, 0x02, 0x00}},   {{7, 8, 10}, SettingWord{0x4D, 0x02, 0x34}},
    };
    // The 245/247 MHz band only offers points 4 and 5.
    p.usablePoints = {{{2}, std::uint8_t{0x18}}};
    p.region = WriteRegionSpec{0x16, 10, 120, 3000};
    p.keying = KeyingSpec{};
    p.openingPauseMs = 100;

    p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
        link.sendPowerValue(static_cast<std::uint8_t>(value));
    };
    p.sendStored = [](SoftpotLink& link, const Session& s, const RowSpec& row) {
        link.sendPowerValue(s.image[row.imageByte]);
        const auto k = static_cast<std::uint8_t>(row.point - 1);
        if (s.flags.isAk2347Radio)
            link.sendModulation(0xFF, s.image[kAkModulationByte + 4 * k]);
        else
            link.sendModulation(kCmxModulationRegister, s.image[kCmxModulationByte + k]);
    };
    return p;
}

} // namespace

const PageSpec& txPowerPage() {
    static const PageSpec page = makeTxPowerPage();
    return page;
}

std::vector<std::string> describeTxPower(const Session& session) {
    std::vector<std::string> lines;
    lines.push_back("Transmit Power softpots (image 0x16..0x1F)");
    for (const RowSpec& row : txPowerPage().rows)
        lines.push_back("  " + rowName(txPowerPage(), row, session.radioType) + ": " +
                        std::to_string(session.image[row.imageByte]));
    return lines;
}

} // namespace korvelo
