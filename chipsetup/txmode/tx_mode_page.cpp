#include "chipsetup/txmode/tx_mode_page.h"

#include <array>

namespace korvelo {

namespace {

enum Group { Control1, Control2, Volume1, Volume2, SubAudioLpf };

constexpr std::array<std::string_view, 4> kTxPath = {
    "Mute", "Audio system operation", "External signal operation",
    "Audio signal and external signal added together"};
constexpr std::array<std::string_view, 2> kOffOn = {"OFF (Bypass)", "ON (Active)"};
constexpr std::array<std::string_view, 2> kSplatter = {"2.55KHz", "3.0KHz"};
constexpr std::array<std::string_view, 2> kScrambler = {"3.290KHz", "3.390KHz"};
constexpr std::array<std::string_view, 2> kFilterO = {
    "FILTERO pin output is muted.", "TX_HPF circuit signal is output on FILTERO pin."};

constexpr std::string_view kNotStored =
    "Not stored: the radio keeps this register in the bytes DATA SEND writes as the tuning "
    "image holds them.";

// A control the page shows but never reads: it keeps its own state.
Binding unbound(int control, int group, std::string_view row, ControlKind kind,
                std::span<const std::string_view> list, bool enabled) {
    return Binding{.control = control,
                   .group = group,
                   .row = row,
                   .kind = kind,
                   .bound = false,
                   .list = list,
                   .enabled = enabled,
                   .note = kNotStored};
}

RegisterPageSpec makePage() {
    RegisterPageSpec p;
    p.title = "TX Mode";
    p.groups = {
        {"Control Register 1", 0, 0},
        {"Control Register 2", 0, 1, 2, 1},
        {"Volume Register 1", 1, 0, 1, 1,
         "VR1 and VR5 are kept in the tuning image (byte 0x62) and saved with it; DATA SEND "
         "does not write them."},
        {"Volume Register 2", 2, 0},
        {"Sub-Audio LPF frequency", 2, 1},
    };
    // Gains step by their grid with up raising them; a typed value snaps to the grid.
    const StepScale vr5{-6.0, 0.5, 24, 1, OffGrid::Snap};
    const StepScale vr1{-6.0, 1.5, 7, 1, OffGrid::Snap};
    const StepScale sBandVr2{-9.6, 0.2, 63, 1, OffGrid::Snap};

    Binding sentBytes{.control = 1023,
                      .group = Control1,
                      .row = "Sent by DATA SEND (hex)",
                      .kind = ControlKind::ByteView,
                      .bound = false,
                      .note = "The register bytes DATA SEND writes, as the tuning image holds "
                              "them; this page does not change them."};
    Binding vr5Gain =
        scaledBinding(1009, 1016, Volume1, " VR5 gain (dB)", "", 0x62, vr5, 4, bitRange(3, 7));
    vr5Gain.enabled = false;
    Binding vr1Gain =
        scaledBinding(1012, 1017, Volume1, " VR1 gain (dB)", "", 0x62, vr1, 4, bitRange(0, 2));
    Binding sBand = scaledBinding(1018, 1019, Volume2, " S-Band VR2 gain (dB)", "", 0, sBandVr2, 4);
    sBand.bound = false;
    sBand.initialText = "0.0";
    sBand.note = "Not stored: no image byte holds this gain.";
    Binding cutOff{.control = 1021,
                   .group = SubAudioLpf,
                   .row = " Cut-off Frequency (Hz)",
                   .kind = ControlKind::Text,
                   .bound = false,
                   .initialText = "135.7",
                   .maxChars = 5,
                   .enabled = false};

    p.bindings = {
        sentBytes,
        unbound(1013, Control1, "2) TX path setting", ControlKind::Radio, kTxPath, false),
        unbound(1002, Control2, "Compandpr", ControlKind::Choice, kOffOn, true),
        unbound(1005, Control2, "Splatter Cut-off frequency", ControlKind::Choice, kSplatter,
                false),
        unbound(1006, Control2, "Scrambler carrier frequency", ControlKind::Choice, kScrambler,
                false),
        unbound(1026, Control2, "Limiter", ControlKind::Choice, kOffOn, true),
        unbound(1027, Control2, "TX HPF", ControlKind::Choice, kOffOn, false),
        vr5Gain,
        vr1Gain,
        unbound(1028, Volume2, "", ControlKind::Radio, kFilterO, false),
        sBand,
        cutOff,
    };
    p.writes = {kRegionTxMode, kRegionTxModeExtra};
    p.sentAsHeld = {
        {0x40, 5, "AK2347 TX mode registers"},
        {0x46, 1, "AK2347 TX mode register"},
    };
    p.sendPauseMs = 150;
    return p;
}

} // namespace

const RegisterPageSpec& txModePage() {
    static const RegisterPageSpec page = makePage();
    return page;
}

} // namespace korvelo
