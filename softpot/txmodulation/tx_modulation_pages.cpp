#include "softpot/txmodulation/tx_modulation_pages.h"

#include "softpot/engine/softpot_link.h"
#include "softpot/txpower/tx_power_page.h"

namespace korvelo {

namespace {

constexpr std::string_view kSpacingNames[] = {"12.5KHz", "25KHz", "20KHz"};
constexpr std::string_view kTitles[] = {"Transmit Modulation, 12.5KHz",
                                        "Transmit Modulation, 25KHz", "Transmit Modulation, 20KHz"};
constexpr int kTemplates[] = {150, 153, 151};
// Frequency edits by spacing; the other controls of a row are the same on the three pages.
constexpr int kFrequencyIds[3][5] = {
    {1077, 1084, 1078, 1083, 1079}, {1080, 1086, 1081, 1085, 1082}, {1087, 1088, 1089, 1091, 1092}};
constexpr RowControlIds kRowIds[5] = {{0, 1021, 1032, 1035, 1016},
                                      {0, 1049, 1047, 1100, 1020},
                                      {0, 1022, 1033, 1036, 1017},
                                      {0, 1031, 1045, 1046, 1111},
                                      {0, 1023, 1034, 1037, 1019}};
constexpr std::uint8_t kSettingBytes[3][5] = {
    {0x07, 0x05, 0x05, 0x05, 0x02}, {0x10, 0x10, 0x10, 0x10, 0x10}, {0x30, 0x30, 0x30, 0x30, 0x30}};
constexpr std::string_view kInitialTexts[5] = {"0.5", "0.8", "1.0", "1.1", "1.3"};
// Scroll positions of the 12.5 kHz page without an image; the CMX148 bytes take them too.
constexpr int kNoImagePositions[5] = {10, 16, 20, 22, 26};
constexpr std::uint8_t kCmxModulationRegister = 0x02;

BandTable<SettingWord> firstTransmitPoints(SettingWord u1, SettingWord u2) {
    return {
        {{0}, SettingWord{0xAA, 0x00, 0x00}},
        {{2}, SettingWord{0x32, 0x01, 0x20}},
        {{3, 4, 9}, u1},
        {{5, 11}, u2},
        {{6, 12}, SettingWord{0x26, 0x02, 0x00}},
        {{7, 8, 10}, SettingWord{0x4E, 0x02, 0x54}},
    };
}

// The power page's receive settings, with this page's differences.
BandTable<PointWords> receiveSettings(int spacing) {
    BandTable<PointWords> t = txPowerPage().receiveSettings;
    PointWords u4 = *t.find(7);
    u4[0] = SettingWord{0x15, 0x02, 0x24};
    t.set({7, 8, 10}, u4);
    if (spacing == 0) {
        t.set({1}, PointWords{});
        PointWords u2 = *t.find(11);
        u2[3] = std::nullopt;
        t.set({11}, u2);
    }
    return t;
}

PageSpec makePage(int spacing, bool ak) {
    const auto sp = static_cast<std::size_t>(spacing);
    PageSpec p;
    p.title = kTitles[sp];
    p.templateId = kTemplates[sp];
    for (int k = 1; k <= 5; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        RowControlIds ids = kRowIds[i];
        ids.frequency = kFrequencyIds[sp][i];
        const std::uint8_t byte =
            ak ? img::akModulation(spacing, k) : img::cmxModulation(spacing, k);
        p.rows.push_back(RowSpec{kSpacingNames[sp], k, ids, byte, 0, kSettingBytes[sp][i],
                                 kNoImagePositions[i], kInitialTexts[i]});
    }
    p.scale = ak ? ValueScale{63, 0, 1.0} : ValueScale{79, 2, 0.05};
    p.labels = LabelFamily::TxModulation;
    p.type1 = Type1::NoGroup;
    p.identity = RowIdentity::FrequencyOnly;
    p.enter = ak ? EnterRule::Clamp : EnterRule::RefuseOffScale;
    p.store = ImageStore::OnEnter;
    p.endScrollSetsAllRows = false;

    // Only the 12.5 kHz page looks for an image, pauses and presets the band's first point.
    p.openingNeedsImage = spacing == 0;
    p.openingPauseMs = spacing == 0 ? 50 : 0;
    if (spacing == 0) {
        p.openingPreset.transmit = firstTransmitPoints({0xB5, 0x01, 0x44}, {0xF8, 0x01, 0x34});
        p.openingPreset.raster = BlockPreset::Raster::Always;
        std::vector<BytePreset> bytes;
        for (int k = 1; k <= 5; ++k) {
            const auto pos = static_cast<std::uint8_t>(kNoImagePositions[k - 1]);
            bytes.push_back({img::akModulation(0, k), 32});
            bytes.push_back({img::cmxModulation(0, k), pos});
        }
        p.noImageBytes = bytes;
    }
    p.pttAlwaysEnabled = spacing == 1;
    p.usablePoints = {{{2}, std::uint8_t{0x18}}};

    p.receiveSettings = receiveSettings(spacing);
    p.rasterResetPoints = 0x01;
    p.invalidFrequencyText = "TX Frequency is not valid";
    p.region = ak ? WriteRegionSpec{0x02, 0x14, 130, 3000} : WriteRegionSpec{0x83, 0x0F, 130, 3000};
    if (ak && spacing == 0) {
        // The fourth byte of each point lies inside the region and goes back as read.
        for (int k = 1; k <= 5; ++k)
            p.sentAsHeld.push_back({static_cast<std::uint8_t>(img::akModulation(2, k) + 1), 1,
                                    "spare byte of the point"});
    }
    p.ownProgram = false;
    p.keying.buttonPauseMs = spacing == 2 ? 80 : 100;
    p.keying.buttonWaitMs = 3000;
    p.keying.buttonReportsNoReply = false;

    if (ak) {
        p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
            link.sendModulation(0xFF, static_cast<std::uint8_t>(value));
        };
    } else {
        p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
            link.sendModulation(kCmxModulationRegister, static_cast<std::uint8_t>(value));
        };
    }
    p.sendStored = [ak](SoftpotLink& link, const Session& s, const RowSpec& row) {
        link.sendModulation(ak ? 0xFF : kCmxModulationRegister, s.image[row.imageByte]);
        link.sendPowerValue(s.image[img::kTxPowerHigh1]);
    };
    return p;
}

TabHostSpec makeHost(bool ak) {
    TabHostSpec h;
    h.title = "Transmit Modulation";
    for (int i = 0; i < TabHostSpec::kTabs; ++i)
        h.pages[static_cast<std::size_t>(i)] = &txModulationPage(i, ak);
    h.tabPreset.transmit = firstTransmitPoints({0xB6, 0x01, 0x04}, {0xF8, 0x01, 0x24});
    h.tabPreset.raster = BlockPreset::Raster::Always;
    h.tabSetsUpFirstRow = true;
    if (ak)
        h.pointMask = img::kModulationPointMask;
    h.writes = {txModulationPage(0, ak).region};
    return h;
}

} // namespace

const PageSpec& txModulationPage(int spacing, bool isAk2347Radio) {
    static const std::array<PageSpec, 6> pages = {
        makePage(0, true),  makePage(1, true),  makePage(2, true),
        makePage(0, false), makePage(1, false), makePage(2, false),
    };
    return pages.at(static_cast<std::size_t>(spacing + (isAk2347Radio ? 0 : 3)));
}

const TabHostSpec& txModulationHost(bool isAk2347Radio) {
    static const TabHostSpec ak = makeHost(true);
    static const TabHostSpec cmx = makeHost(false);
    return isAk2347Radio ? ak : cmx;
}

} // namespace korvelo
