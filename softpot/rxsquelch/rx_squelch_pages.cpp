#include "softpot/rxsquelch/rx_squelch_pages.h"

#include "softpot/engine/softpot_link.h"

namespace korvelo {

namespace {

constexpr std::string_view kNormal = "Normal Squelch";
constexpr std::string_view kTight = "Tight Squelch";
constexpr int kNormalTag = 6;
constexpr int kTightTag = 7;

constexpr std::string_view kTitles[] = {"Receive Squelch, 12.5KHz", "Receive Squelch, 25KHz",
                                        "Receive Squelch, 20KHz"};
constexpr int kTemplates[] = {147, 148, 149};
// Frequency edits by spacing, Normal rows then Tight rows; the other controls of a row are the
// same on the three pages.
constexpr int kFrequencyIds[3][10] = {{1083, 1084, 1085, 1095, 1096, 1086, 1087, 1088, 1097, 1098},
                                      {1089, 1090, 1091, 1105, 1106, 1092, 1093, 1094, 1115, 1116},
                                      {1141, 1142, 1143, 1155, 1156, 1144, 1145, 1146, 1165, 1166}};
constexpr RowControlIds kRowIds[10] = {{0, 1021, 1032, 1035, 1016}, {0, 1022, 1033, 1036, 1017},
                                       {0, 1023, 1034, 1037, 1019}, {0, 1031, 1056, 1057, 1111},
                                       {0, 1072, 1070, 1071, 1020}, {0, 1024, 1038, 1042, 1027},
                                       {0, 1025, 1039, 1043, 1028}, {0, 1026, 1040, 1044, 1029},
                                       {0, 1079, 1073, 1074, 1075}, {0, 1080, 1076, 1077, 1078}};
// TxSetupBlock byte 8 by spacing: Normal, Tight.
constexpr std::uint8_t kSettingBytes[3][2] = {{0x00, 0x08}, {0x10, 0x18}, {0x30, 0x38}};

PageSpec makePage(int spacing) {
    const auto sp = static_cast<std::size_t>(spacing);
    PageSpec p;
    p.title = kTitles[sp];
    p.templateId = kTemplates[sp];
    for (int i = 0; i < 10; ++i) {
        const bool tight = i >= 5;
        const int point = i % 5 + 1;
        RowControlIds ids = kRowIds[i];
        ids.frequency = kFrequencyIds[sp][i];
        p.rows.push_back(RowSpec{tight ? kTight : kNormal,
                                 point,
                                 ids,
                                 img::squelch(spacing, point, tight),
                                 tight ? kTightTag : kNormalTag,
                                 kSettingBytes[sp][tight ? 1 : 0],
                                 32,
                                 {}});
    }
    p.scale = ValueScale{63, 0, 1.0};
    p.initialText = "32";
    p.frequencyHeading = "Frequency Point (MHz)";
    p.labels = LabelFamily::RxSquelch;
    // Type 1 shows the 245 MHz labels on the 25 and 20 kHz pages only.
    p.type1 = spacing == 0 ? Type1::NoGroup : Type1::AsV2;
    p.identity = RowIdentity::FrequencyAndTag;
    p.live = LiveRule::OnSameRow;

    // Only the 12.5 kHz page looks for an image and sets the band's receive word.
    p.openingNeedsImage = spacing == 0;
    p.openingPauseMs = 0;
    if (spacing == 0) {
        p.openingPreset.receive = {
            {{0}, SettingWord{0xE2, 0x00, 0x30}},       {{2}, SettingWord{0x46, 0x01, 0x34}},
            {{3, 4, 9}, SettingWord{0x7D, 0x01, 0x14}}, {{5, 11}, SettingWord{0xC0, 0x01, 0x24}},
            {{6, 12}, SettingWord{0xED, 0x01, 0x50}},   {{7, 8, 10}, SettingWord{0x15, 0x02, 0x24}},
        };
        p.openingPreset.raster = BlockPreset::Raster::WhenSet;
        p.noImageBytes = std::vector<BytePreset>{}; // the bars show 32; the image stays
    }
    p.usablePoints = {{{2}, std::uint8_t{0x18}}};

    p.setupFrequency = SetupFrequency::Receive;
    p.setupTransmitWord = {
        {{0}, SettingWord{0xAA, 0x00, 0x00}},       {{1, 2}, SettingWord{0x32, 0x01, 0x20}},
        {{3, 4, 9}, SettingWord{0xB5, 0x01, 0x44}}, {{5, 11}, SettingWord{0xF8, 0x01, 0x34}},
        {{6, 12}, SettingWord{0x26, 0x02, 0x00}},   {{7, 8, 10}, SettingWord{0x4D, 0x02, 0x34}},
    };
    p.invalidFrequencyText = "RX Frequency is not valid";
    p.invalidFrequencyIcon = Icon::None;
    p.region = WriteRegionSpec{0x20, 0x1E, 130, 3000};
    p.ownProgram = false;
    p.keying.hasButton = false;

    p.sendLive = [](SoftpotLink& link, const Session&, const RowSpec&, int value) {
        link.sendSquelchValue(static_cast<std::uint8_t>(value));
    };
    p.sendStored = [](SoftpotLink& link, const Session& s, const RowSpec& row) {
        link.sendSquelchValue(s.image[row.imageByte]);
    };
    return p;
}

TabHostSpec makeHost() {
    TabHostSpec h;
    h.title = "Receive Squelch";
    h.templateId = 131;
    for (int i = 0; i < TabHostSpec::kTabs; ++i)
        h.pages[static_cast<std::size_t>(i)] = &rxSquelchPage(i);
    h.tabPreset.receive = {
        {{0}, SettingWord{0xE2, 0x00, 0x30}},       {{2}, SettingWord{0x6D, 0x01, 0x10}},
        {{3, 4, 9}, SettingWord{0x7D, 0x01, 0x54}}, {{5, 11}, SettingWord{0xBF, 0x01, 0x74}},
        {{6, 12}, SettingWord{0xED, 0x01, 0x50}},   {{7, 8, 10}, SettingWord{0x16, 0x02, 0x14}},
    };
    h.tabPreset.raster = BlockPreset::Raster::WhenSet;
    h.pointMask = img::kSquelchPointMask;
    // The softpots, then the mask as the image holds it; both at the base the memory size
    // gives, like every region.
    h.writes = {rxSquelchPage(0).region, WriteRegionSpec{img::kSquelchPointMask, 1, 100, 3000}};
    return h;
}

} // namespace

const PageSpec& rxSquelchPage(int spacing) {
    static const std::array<PageSpec, 3> pages = {makePage(0), makePage(1), makePage(2)};
    return pages.at(static_cast<std::size_t>(spacing));
}

const TabHostSpec& rxSquelchHost() {
    static const TabHostSpec host = makeHost();
    return host;
}

} // namespace korvelo
