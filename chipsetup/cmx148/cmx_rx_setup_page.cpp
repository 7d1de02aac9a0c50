#include "chipsetup/cmx148/cmx_rx_setup_page.h"

#include "chipsetup/cmx148/cmx148_lists.h"

namespace korvelo {

namespace {

using namespace cmx148;

enum Group { Setting, Filter, FineGain };

RegisterPageSpec makePage() {
    RegisterPageSpec p;
    p.title = "RX CMX148 SetUp";
    p.groups = {
        {"CMX148 Setting", 0, 0},
        {" CMX148  [$C2, $C8] : RX Filter Setting ", 1, 0, 1, 2},
        {"CMX148 [$CD] : Output 1 Fine Gain (dB) ", 0, 1},
    };
    const StepScale fine{0.0, kFineStep, kFineMaxCode, 2, OffGrid::Restore};
    // The high-pass corners of the three signalling kinds share one byte per spacing, the
    // emphasis and filters another.
    constexpr std::string_view csq = "HFP Select\nCSQ";
    constexpr std::string_view ctcss = "HFP Select\nCTCSS";
    constexpr std::string_view dcs = "HFP Select\nDCS";
    const BitRange csqBits = bitRange(0, 1);
    const BitRange ctcssBits = bitRange(6, 7);
    const BitRange dcsBits = bitRange(4, 5);
    const BitRange deEmphasis = bitRange(5, 5);
    const BitRange lowPass = bitRange(3, 4);
    const BitRange highPass = bitRange(2, 2);
    p.bindings = {
        listBinding(1272, Setting, "MOD1 Output Att (dB) - [$B0]", "", 0xC0, kAttenuation),
        listBinding(1271, Setting, "MOD2 Output Att (dB) - [$B0]", "", 0xC1, kAttenuation),
        listBinding(1004, Setting, "Audio Output Att (dB) - [$B0]", "", 0xC2, kAudioAttenuation),
        listBinding(1011, Setting, "Input1 Gain (dB) - [$B1]", "", 0xC3, kGain),
        listBinding(1017, Setting, "Input2 Gain (dB) - [$B1]", "", 0xC4, kGain),
        listBinding(1274, Filter, k125, csq, 0xC5, kHighPassCorner, csqBits),
        listBinding(1078, Filter, k125, ctcss, 0xC5, kHighPassCorner, ctcssBits),
        listBinding(1073, Filter, k125, dcs, 0xC5, kHighPassCorner, dcsBits),
        listBinding(1142, Filter, k125, "De-Emphasis", 0xC8, kOnOff, deEmphasis),
        listBinding(1157, Filter, k125, "LPF", 0xC8, kLowPass, lowPass),
        listBinding(1145, Filter, k125, "HPF", 0xC8, kOnOff, highPass),
        listBinding(1077, Filter, k25, csq, 0xC6, kHighPassCorner, csqBits),
        listBinding(1139, Filter, k25, ctcss, 0xC6, kHighPassCorner, ctcssBits),
        listBinding(1154, Filter, k25, dcs, 0xC6, kHighPassCorner, dcsBits),
        listBinding(1143, Filter, k25, "De-Emphasis", 0xC9, kOnOff, deEmphasis),
        listBinding(1075, Filter, k25, "LPF", 0xC9, kLowPass, lowPass),
        listBinding(1146, Filter, k25, "HPF", 0xC9, kOnOff, highPass),
        listBinding(1275, Filter, k20, csq, 0xC7, kHighPassCorner, csqBits),
        listBinding(1141, Filter, k20, ctcss, 0xC7, kHighPassCorner, ctcssBits),
        listBinding(1155, Filter, k20, dcs, 0xC7, kHighPassCorner, dcsBits),
        listBinding(1144, Filter, k20, "De-Emphasis", 0xCA, kOnOff, deEmphasis),
        listBinding(1076, Filter, k20, "LPF", 0xCA, kLowPass, lowPass),
        listBinding(1147, Filter, k20, "HPF", 0xCA, kOnOff, highPass),
        scaledBinding(1163, 1064, FineGain, k125, "", 0xCB, fine, 4),
        scaledBinding(1164, 1065, FineGain, k25, "", 0xCC, fine, 4),
        scaledBinding(1015, 1040, FineGain, k20, "", 0xCD, fine, 4),
    };
    p.writes = {kRegionCmxRxSetup};
    p.sendPauseMs = 130;
    return p;
}

} // namespace

const RegisterPageSpec& cmxRxSetupPage() {
    static const RegisterPageSpec page = makePage();
    return page;
}

} // namespace korvelo
