#include "radio/band_model.h"

#include <array>

namespace korvelo {

BandGroup bandGroup(std::uint8_t radioType, Type1 type1) {
    switch (radioType) {
    case 0:
        return BandGroup::V1;
    case 1:
        return type1 == Type1::AsV2 ? BandGroup::V2 : BandGroup::None;
    case 2:
        return BandGroup::V2;
    case 3:
    case 4:
    case 9:
        return BandGroup::U1;
    case 5:
    case 11:
        return BandGroup::U2;
    case 6:
    case 12:
        return BandGroup::U3;
    case 7:
    case 8:
    case 10:
        return BandGroup::U4;
    default:
        return BandGroup::None;
    }
}

bool isVhfForType(std::uint8_t radioType, bool previous) {
    if (radioType <= 2)
        return true;
    if (radioType <= 12)
        return false;
    return previous;
}

namespace {

using Five = std::array<std::string_view, 5>;
using Three = std::array<std::string_view, 3>;
using One = std::array<std::string_view, 1>;

// Indexed V1, V2, U1, U2, U3, U4. The texts are the radio's own, decimals as they stand.
constexpr std::array<Five, 6> kTxPower{{
    {"136.00000", "150.00000", "155.00000", "163.00000", "174.00000"},
    {"UNSUPPORTED", "UNSUPPORTED", "UNSUPPORTED", "245.000000", "247.000000"},
    {"350.02500", "362.02500", "370.02500", "378.02500", "389.97500"},
    {"403.52500", "416.52500", "426.52500", "436.52500", "446.52500"},
    {"440.000000", "450.000000", "460.000000", "470.000000", "479.000000"},
    {"471.52500", "482.52500", "490.52500", "499.52500", "511.52500"},
}};

constexpr std::array<Five, 6> kTxModulation{{
    kTxPower[0],
    kTxPower[1],
    kTxPower[2],
    {"404.52500", "417.52500", "427.52500", "437.52500", "445.52500"},
    kTxPower[4],
    {"472.52500", "483.52500", "491.52500", "501.52500", "510.52500"},
}};

constexpr std::array<Five, 6> kRxSquelch{{
    kTxPower[0],
    kTxPower[1],
    {"350.42500", "360.42500", "370.42500", "380.42500", "389.42500"},
    {"403.42500", "416.42500", "426.42500", "436.42500", "446.42500"},
    kTxPower[4],
    {"472.42500", "482.42500", "490.42500", "499.42500", "511.42500"},
}};

constexpr std::array<Three, 6> kTxSubAudio{{
    {"136.00000", "155.00000", "174.00000"},
    {"UNSUPPORTED", "UNSUPPORTED", "246.97500"},
    {"350.02500", "370.02500", "388.97500"},
    {"404.52500", "437.52500", "445.52500"},
    {"440.000000", "460.000000", "479.000000"},
    {"472.52500", "491.52500", "510.52500"},
}};

constexpr std::array<One, 6> kZel{{
    {"155.00000"},
    {"UNSUPPORTED"},
    {"370.02500"},
    {"427.52500"},
    {"460.000000"},
    {"491.52500"},
}};

} // namespace

std::span<const std::string_view> frequencyLabels(LabelFamily family, BandGroup group) {
    if (group == BandGroup::None)
        return {};
    const auto i = static_cast<std::size_t>(group) - 1;
    switch (family) {
    case LabelFamily::TxPower:
        return kTxPower[i];
    case LabelFamily::TxModulation:
        return kTxModulation[i];
    case LabelFamily::RxSquelch:
        return kRxSquelch[i];
    case LabelFamily::TxSubAudio:
        return kTxSubAudio[i];
    case LabelFamily::ZelSignalling:
        return kZel[i];
    }
    return {};
}

std::string_view bandRange(BandGroup group) {
    switch (group) {
    case BandGroup::V1:
        return "136 to 174 MHz";
    case BandGroup::V2:
        return "245 to 247 MHz";
    case BandGroup::U1:
        return "350 to 390 MHz";
    case BandGroup::U2:
        return "403 to 447 MHz";
    case BandGroup::U3:
        return "440 to 479 MHz";
    case BandGroup::U4:
        return "470 to 512 MHz";
    case BandGroup::None:
        break;
    }
    return {};
}

} // namespace korvelo
