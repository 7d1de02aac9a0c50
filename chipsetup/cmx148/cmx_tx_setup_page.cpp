#include "chipsetup/cmx148/cmx_tx_setup_page.h"

#include "chipsetup/cmx148/cmx148_lists.h"

namespace korvelo {

namespace {

using namespace cmx148;

enum Group { Mod1, Mod2, Input1, Input2, VoiceLevel, FineAtt, SubAudio, Filter, Limiter };

constexpr std::string_view kCsq = "CSQ";
constexpr std::string_view kCtcssLow = "CTCSS 67~146.2Hz";
constexpr std::string_view kCtcssHigh = "CTCSS 151.4~254.1Hz";
constexpr std::string_view kDcs = "DCS";

RegisterPageSpec makePage() {
    RegisterPageSpec p;
    p.title = "TX CMX148 SetUp";
    // caption, grid row, grid column, row span, column span
    p.groups = {
        {"CMX148 [$B0] : MOD1 Output Attenuation (dB) ", 0, 0, 1, 2},
        {"CMX148 [$B0] : MOD2 Output Att (dB) ", 0, 2},
        {"CMX148 [$B1] : Input1 Gain (dB)", 1, 2},
        {"CMX148 [$B1] : Iutput2 Gain (dB) ", 1, 0, 1, 2},
        {"CMX148 [$CD] : Tx Voice Level ", 2, 2},
        {"CMX148 [$CD] : MOD1 Fine Attenuation (dB) ", 2, 0, 1, 2},
        {"CMX148 [$CD] : CSQ Sub Audio Tx (dB)", 3, 2},
        {" CMX148  [$C2, $C8] : TX Filter Setting ", 3, 0, 2, 2},
        {"Program Block 4 - Limiter Setting (HEX)", 4, 2},
    };
    const StepScale fine{0.0, kFineStep, kFineMaxCode, 2, OffGrid::Restore};
    const BitRange preEmphasis = bitRange(5, 5);
    const BitRange lowPass = bitRange(3, 4);
    const BitRange highPass = bitRange(2, 2);
    // The HPF Select lists show bits 0..1 and write their index as the whole byte.
    auto hpfSelect = [](int control, std::string_view row, std::uint8_t byte) {
        Binding b =
            listBinding(control, Filter, row, "HPF Select", byte, kHighPassCorner, bitRange(0, 1));
        b.clearsOtherBits = true;
        return b;
    };
    Binding limiter{.control = 1036,
                    .spin = 1053,
                    .group = Limiter,
                    .kind = ControlKind::HexWord,
                    .byte = 0xA9,
                    .bits = bitRange(0, 5), // of 0xAA
                    .clearsOtherBits = true,
                    .maxChars = 4};
    p.bindings = {
        listBinding(1259, Mod1, k125, kCsq, 0x71, kAttenuation),
        listBinding(1260, Mod1, k25, kCsq, 0x72, kAttenuation),
        listBinding(1261, Mod1, k20, kCsq, 0x73, kAttenuation),
        listBinding(1262, Mod1, k125, kCtcssLow, 0x74, kAttenuation),
        listBinding(1263, Mod1, k25, kCtcssLow, 0x75, kAttenuation),
        listBinding(1264, Mod1, k20, kCtcssLow, 0x76, kAttenuation),
        listBinding(1265, Mod1, k125, kCtcssHigh, 0x77, kAttenuation),
        listBinding(1266, Mod1, k25, kCtcssHigh, 0x78, kAttenuation),
        listBinding(1267, Mod1, k20, kCtcssHigh, 0x79, kAttenuation),
        listBinding(1268, Mod1, k125, kDcs, 0x7A, kAttenuation),
        listBinding(1269, Mod1, k25, kDcs, 0x7B, kAttenuation),
        listBinding(1270, Mod1, k20, kDcs, 0x7C, kAttenuation),
        listBinding(1271, Mod2, "", "", 0x7D, kAttenuation),
        listBinding(1011, Input1, "", "", 0x7E, kGain),
        listBinding(1017, Input2, "", kCsq, 0x7F, kGain),
        listBinding(1013, Input2, "", kCtcssLow, 0x80, kGain),
        listBinding(1015, Input2, "", kCtcssHigh, 0x81, kGain),
        listBinding(1016, Input2, "", kDcs, 0x82, kGain),
        listBinding(1049, VoiceLevel, "", "", 0x92, kVoiceLevel),
        listBinding(1050, FineAtt, "", kCsq, 0x93, kFineAttenuation),
        listBinding(1052, FineAtt, "", kCtcssLow, 0x94, kFineAttenuation),
        listBinding(1055, FineAtt, "", kCtcssHigh, 0x95, kFineAttenuation),
        listBinding(1057, FineAtt, "", kDcs, 0x96, kFineAttenuation),
        scaledBinding(1010, 1065, SubAudio, "", "", 0x97, fine, 4),
        hpfSelect(1002, k125, 0xA1),
        listBinding(1008, Filter, k125, "Pre-Emphasis", 0xA4, kOnOff, preEmphasis),
        listBinding(1026, Filter, k125, "LPF", 0xA4, kLowPass, lowPass),
        listBinding(1104, Filter, k125, "HPF", 0xA4, kOnOff, highPass),
        hpfSelect(1005, k25, 0xA2),
        listBinding(1014, Filter, k25, "Pre-Emphasis", 0xA5, kOnOff, preEmphasis),
        listBinding(1027, Filter, k25, "LPF", 0xA5, kLowPass, lowPass),
        listBinding(1274, Filter, k25, "HPF", 0xA5, kOnOff, highPass),
        hpfSelect(1006, k20, 0xA3),
        listBinding(1276, Filter, k20, "Pre-Emphasis", 0xA6, kOnOff, preEmphasis),
        listBinding(1007, Filter, k20, "LPF", 0xA6, kLowPass, lowPass),
        listBinding(1277, Filter, k20, "HPF", 0xA6, kOnOff, highPass),
        limiter,
    };
    p.writes = {kRegionCmxTxSetup};
    p.sentAsHeld = {
        {0x83, 15, "CMX148 modulation softpots"},
        {0x98, 9, "sub-audio softpots, point F1"},
        {0xA7, 2, "edited by no page"},
        {0xAB, 3, "edited by no page"},
    };
    p.sendPauseMs = 130;
    return p;
}

} // namespace

const RegisterPageSpec& cmxTxSetupPage() {
    static const RegisterPageSpec page = makePage();
    return page;
}

} // namespace korvelo
