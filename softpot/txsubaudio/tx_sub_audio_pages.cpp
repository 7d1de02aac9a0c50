#include "softpot/txsubaudio/tx_sub_audio_pages.h"

#include "softpot/engine/softpot_link.h"
#include "softpot/txsubaudio/sub_audio_codes.h"

namespace korvelo {

namespace {

constexpr std::string_view kGroups[] = {"CTCSS (67 ~ 146.2Hz)", "CTCSS (151.4 ~ 254.1Hz)", "DCS"};
constexpr std::string_view kTitles[] = {"Sub Audio Tx, 12.5KHz", "Sub Audio Tx, 25KHz",
                                        "Sub Audio Tx, 20KHz"};
constexpr int kTemplates[] = {168, 166, 167};
constexpr int kFrequencyIds[3][9] = {{1179, 1183, 1190, 1189, 1188, 1187, 1186, 1185, 1182},
                                     {1177, 1183, 1178, 1201, 1180, 1200, 1199, 1184, 1198},
                                     {1181, 1185, 1194, 1195, 1196, 1197, 1193, 1192, 1191}};
constexpr RowControlIds kRowIds[9] = {
    {0, 1009, 1032, 1012, 1017}, {0, 1018, 1033, 1021, 1027}, {0, 1022, 1034, 1023, 1029},
    {0, 1010, 1038, 1013, 1067}, {0, 1020, 1039, 1024, 1111}, {0, 1025, 1041, 1026, 1112},
    {0, 1046, 1040, 1011, 1063}, {0, 1070, 1047, 1100, 1072}, {0, 1045, 1048, 1050, 1078}};
constexpr std::string_view kInitialTexts[9] = {"1.5", "2.0", "2.0", "1.3", "1.5",
                                               "1.5", "1.0", "1.0", "1.0"};
// The 12.5 kHz page's scroll positions and image bytes without an image.
constexpr int kNoImageValues[9] = {30, 40, 40, 26, 30, 30, 20, 20, 20};
constexpr int kTagBases[] = {0x28, 0x32, 0x3C};
constexpr std::uint8_t kSettingBytes[] = {0x00, 0x10, 0x30};
constexpr std::uint8_t kSubAudioRegister = 0x04;
constexpr std::uint8_t kHighPower1 = 0x16;

constexpr WriteRegionSpec kF1Region{0x98, 0x09, 130, 3000};
constexpr WriteRegionSpec kF2F5Region{0xED, 0x12, 130, 3000};

BandTable<PointWords> receiveWords(int spacing) {
    const auto all = [](SettingWord w) { return PointWords{w, w, w, std::nullopt, std::nullopt}; };
    if (spacing == 0)
        return {{{0}, all({0xF3, 0x00, 0x70})},       {{1, 2}, all({0x4A, 0x01, 0x14})},
                {{3, 4, 9}, all({0x89, 0x01, 0x54})}, {{5, 11}, all({0xCD, 0x01, 0x24})},
                {{6, 12}, all({0xFA, 0x01, 0x10})},   {{7, 8, 10}, all({0x22, 0x02, 0x64})}};
    return {{{0}, all({0xE2, 0x00, 0x30})},       {{1, 2}, all({0x46, 0x01, 0x34})},
            {{3, 4, 9}, all({0x7D, 0x01, 0x14})}, {{5, 11}, all({0xC0, 0x01, 0x24})},
            {{6, 12}, all({0xED, 0x01, 0x50})},   {{7, 8, 10}, all({0x15, 0x02, 0x04})}};
}

PageSpec makePage(int spacing) {
    const auto sp = static_cast<std::size_t>(spacing);
    PageSpec p;
    p.title = kTitles[sp];
    p.templateId = kTemplates[sp];
    for (int i = 0; i < 9; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const int group = i / 3;
        const int point = i % 3; // F1, F2/F3, F4/F5
        RowControlIds ids = kRowIds[k];
        ids.frequency = kFrequencyIds[sp][k];
        p.rows.push_back(RowSpec{kGroups[group], point + 1, ids,
                                 img::subAudio(spacing, group, point), kTagBases[sp] + i + 1,
                                 kSettingBytes[sp], kNoImageValues[k], kInitialTexts[k]});
    }
    p.scale = ValueScale{79, 2, 0.05};
    p.labels = LabelFamily::TxSubAudio;
    p.type1 = Type1::NoGroup;
    p.identity = RowIdentity::FrequencyAndTag;
    p.enter = EnterRule::RefuseOffScale;
    p.store = ImageStore::OnEnter;
    p.endScrollSetsAllRows = false;

    // Only the 12.5 kHz page needs an image, pauses and presets the band's transmit word.
    p.openingNeedsImage = spacing == 0;
    p.openingPauseMs = spacing == 0 ? 100 : 0;
    if (spacing == 0) {
        p.openingPreset.transmit = {
            {{0}, SettingWord{0xAA, 0x00, 0x00}},       {{1, 2}, SettingWord{0x32, 0x01, 0x20}},
            {{3, 4, 9}, SettingWord{0xB5, 0x01, 0x44}}, {{5, 11}, SettingWord{0xF8, 0x01, 0x34}},
            {{6, 12}, SettingWord{0x26, 0x02, 0x00}},   {{7, 8, 10}, SettingWord{0x4E, 0x02, 0x54}},
        };
        p.openingPreset.raster = BlockPreset::Raster::Always;
    }
    // The 245/247 MHz band offers the F4/F5 point only.
    p.usablePoints = {{{2}, std::uint8_t{0x04}}};

    p.receiveSettings = receiveWords(spacing);
    p.invalidFrequencyText = "TX Frequency is not valid";
    p.region = kF1Region;
    p.moreRegions = {kF2F5Region};
    p.ownProgram = false;

    p.keying.offFrame = "0202 49 4B03";
    p.keying.onFrameCarriesCode = true;
    p.keying.buttonPauseMs = 100;
    p.keying.buttonWaitMs = 3000;
    p.keying.setupOffPauseMs = 100;
    p.keying.setupOffWaitMs = 3000;
    p.keying.setupOffSettleMs = 200;
    p.codeChoices = {
        {kGroups[0], std::span(ctcssTones).first(kLowCtcssCount), 1},
        {kGroups[1], std::span(ctcssTones).subspan(kLowCtcssCount),
         static_cast<std::uint8_t>(kLowCtcssCount + 1)},
        {kGroups[2], std::span(dcsCodes), static_cast<std::uint8_t>(ctcssTones.size() + 1)},
    };

    p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
        link.sendModulation(kSubAudioRegister, static_cast<std::uint8_t>(value));
    };
    p.sendStored = [](SoftpotLink& link, const Session& s, const RowSpec& row) {
        link.sendPowerValue(s.image[kHighPower1]);
        link.sendModulation(kSubAudioRegister, s.image[row.imageByte]);
    };
    return p;
}

TabHostSpec makeHost() {
    TabHostSpec h;
    h.title = "Sub Audio Tx (CMX148 $CD)";
    h.templateId = 165;
    for (int i = 0; i < TabHostSpec::kTabs; ++i)
        h.pages[static_cast<std::size_t>(i)] = &txSubAudioPage(i);
    // Entering a tab sets its first row up at 13.6 MHz, whatever the row shows.
    h.tabSetsUpFirstRow = true;
    h.tabSetupHz = 13'600'000;
    h.writes = {kF1Region, kF2F5Region};
    return h;
}

} // namespace

const PageSpec& txSubAudioPage(int spacing) {
    static const std::array<PageSpec, 3> pages = {makePage(0), makePage(1), makePage(2)};
    return pages.at(static_cast<std::size_t>(spacing));
}

const TabHostSpec& txSubAudioHost() {
    static const TabHostSpec host = makeHost();
    return host;
}

} // namespace korvelo
